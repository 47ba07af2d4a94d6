// Whole-file read into memory and write from memory: filesize, read_raw_from_filesize and
// write_raw_from_memsize are declared with the other entry points in wsq/wsq.h.
#pragma once

#include "wsq/wsq.h"
