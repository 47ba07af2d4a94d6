// Names for the codes an image record carries (finger, palm and plantar positions, impression
// types) and the short names of the fields, for listing a transaction.
#pragma once

namespace ansinist {

// The name of a friction-ridge position code as the given record type uses it ("Right thumb",
// "Left writer's palm", "Right sole"); "" when the code means nothing there. Record types with
// positions are 3-7, 13, 14, 15 and 19; a type of 0 accepts a code of any of them.
const char* positionName(int recordType, int code);

// The name of an impression type ("Live-scan plain", "Latent lift"); "" for an unknown code.
const char* impressionName(int code);

// The short name of a field ("LEN", "IDC", "IMP", "FGP", "HLL", "CGA", "DATA", ...), as the
// record type defines it; "" when the type does not define the field (Type-2's fields belong
// to the receiving system's domain and have none here).
const char* fieldMnemonic(int recordType, int field);

// A short description of a record type ("Transaction information", "Ten-print fingerprint");
// "" for a type that is not defined.
const char* recordTypeName(int recordType);

}  // namespace ansinist
