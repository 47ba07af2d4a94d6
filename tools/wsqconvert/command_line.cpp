#include "command_line.h"

#include "convert_file.h"
#include "format_registry.h"
#include "thumbnail.h"

namespace wsqconvert {

namespace {

bool parseInt(const QString& text, int lo, int hi, int* out) {
    bool ok = false;
    const int v = text.toInt(&ok, 10);
    if (!ok || v < lo || v > hi) return false;
    *out = v;
    return true;
}

}  // namespace

QString usageText() {
    return QStringLiteral(
        "usage: wsqconvert [--bitrate R] [--ppi N] [--comment TEXT] [--record N] INPUT OUTPUT\n"
        "       wsqconvert --info [--json] FILE...\n"
        "       wsqconvert --extract FILE OUTDIR\n"
        "       wsqconvert --thumbnail SIZE INPUT OUTPUT\n"
        "       wsqconvert --batch --to FORMAT [--from TYPE,...] [--recursive] [--keep-tree]\n"
        "                  [--jobs N] [--skip-existing] [--bitrate R] [--ppi N] [--comment TEXT]\n"
        "                  INDIR OUTDIR\n"
        "       wsqconvert --help | --version\n");
}

QString helpText() {
    return usageText() +
           QStringLiteral(
               "\n"
               "Converts fingerprint images and other pictures the way the WSQ viewer loads and "
               "saves\n"
               "them.\n"
               "\n"
               "INPUT is read by its extension, any case: the complete one (everything after the "
               "first\n"
               "\".\") when it names a type, else the last one, so john.doe.wsq is a WSQ file:\n"
               "  %1; %2 (raster library);\n"
               "  %3 (Qt);\n"
               "  %5 (ANSI/NIST-ITL transactions: every image record is a picture).\n"
               "OUTPUT is written, under exactly that name, in the format its last extension "
               "names:\n"
               "  %4.\n"
               "WSQ and PGM output is grey, (red + green + blue) / 3. A grey picture (every WSQ\n"
               "file, grey PNG, TIFF, BMP, JPEG, PNM) stays grey: PNG, TIFF, JPEG and BMP (with\n"
               "a grey palette) outputs are then 8-bit grey files with the same pixels.\n"
               "\n"
               "Options:\n"
               "  --bitrate R       WSQ bit rate (default 0.75)\n"
               "  --ppi N           WSQ resolution (default: the input's, when it is a WSQ file "
               "that\n"
               "                    has one, else 500)\n"
               "  --comment TEXT    WSQ comment (default: none)\n"
               "  --record N        the picture of record N of a transaction (Type-1 is record "
               "1);\n"
               "                    needed when the transaction holds more than one\n"
               "  --extract         write every picture of transaction FILE into OUTDIR as stored\n"
               "                    (raw pictures as PGM or PPM), named BASE-N-TYPE-POSITION.EXT\n"
               "  --info            describe each FILE: size, depth and, for WSQ, resolution,\n"
               "                    encoder, comments, NISTCOM entries and segments\n"
               "  --json            with --info, one JSON document\n"
               "  --thumbnail SIZE  write INPUT's picture, fitted into SIZE x SIZE pixels, to "
               "OUTPUT\n"
               "                    as PNG (a transaction gives its first picture; a file "
               "whose\n"
               "                    name gives no type is read as WSQ when it starts like "
               "one)\n"
               "  --batch           convert every file of INDIR into OUTDIR\n"
               "  --to FORMAT       output format of a batch (an output extension)\n"
               "  --from TYPE,...   input extensions of a batch (default: every readable one)\n"
               "  --recursive       include the subdirectories of INDIR\n"
               "  --keep-tree       with --recursive, mirror the subdirectories of INDIR in "
               "OUTDIR\n"
               "                    (default: every output directly in OUTDIR)\n"
               "  --jobs N          files converted at once (default: the number of cores)\n"
               "  --skip-existing   leave outputs that already exist alone\n"
               "  --help            show this text\n"
               "  --version         show the version\n"
               "\n"
               "Batch outputs are named OUTDIR/BASE.FORMAT, BASE being the input's name up to its\n"
               "first \".\"; each picture of a transaction becomes OUTDIR/BASE-N.FORMAT, N its\n"
               "record. Two inputs that would make the same output are reported and neither is\n"
               "written.\n"
               "\n"
               "Exit status: 0 when everything was converted, 1 when a file failed, 2 for a usage\n"
               "error.\n")
               .arg(document::readableExtensionList(document::Reader::Wsq),
                    document::readableExtensionList(document::Reader::RasterLibrary),
                    document::readableExtensionList(document::Reader::Toolkit, kScope),
                    outputExtensionList(),
                    document::readableExtensionList(document::Reader::Transaction));
}

ParseResult parseCommandLine(const QStringList& arguments) {
    ParseResult result;
    CommandLine& cl = result.commandLine;
    bool info = false, batch = false, extract = false, thumbnail = false, help = false,
         version = false, endOfOptions = false;
    bool jsonSeen = false, batchOptionSeen = false;

    // Options take their value as the next argument or after "=".
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString arg = arguments.at(i);
        if (endOfOptions || !arg.startsWith(QLatin1String("--")) || arg == QLatin1String("-")) {
            if (!endOfOptions && arg.startsWith(QLatin1Char('-')) && arg != QLatin1String("-")) {
                result.error = QStringLiteral("unknown option: %1").arg(arg);
                return result;
            }
            cl.operands << arg;
            continue;
        }
        if (arg == QLatin1String("--")) {
            endOfOptions = true;
            continue;
        }
        QString value;
        bool hasInlineValue = false;
        if (const qsizetype eq = arg.indexOf(QLatin1Char('=')); eq > 0) {
            value = arg.mid(eq + 1);
            arg = arg.left(eq);
            hasInlineValue = true;
        }
        const auto takesValue = [](const QString& name) {
            static const QStringList names = {"--bitrate", "--ppi",  "--comment", "--to",
                                              "--from",    "--jobs", "--record",  "--thumbnail"};
            return names.contains(name);
        };
        if (takesValue(arg)) {
            if (!hasInlineValue) {
                if (i + 1 >= arguments.size()) {
                    result.error = QStringLiteral("option %1 needs a value").arg(arg);
                    return result;
                }
                value = arguments.at(++i);
            }
        } else if (hasInlineValue) {
            result.error = QStringLiteral("option %1 takes no value").arg(arg);
            return result;
        }

        if (arg == QLatin1String("--bitrate")) {
            bool ok = false;
            cl.bitrate = value.toDouble(&ok);
            if (!ok || !(cl.bitrate > 0.0) || cl.bitrate > 100.0) {
                result.error = QStringLiteral("bad bit rate: %1").arg(value);
                return result;
            }
        } else if (arg == QLatin1String("--ppi")) {
            int ppi = 0;
            if (!parseInt(value, 1, 100000, &ppi)) {
                result.error = QStringLiteral("bad resolution: %1").arg(value);
                return result;
            }
            cl.ppi = ppi;
        } else if (arg == QLatin1String("--comment")) {
            cl.comment = value;
        } else if (arg == QLatin1String("--to")) {
            cl.toFormat = value.toLower();
            if (cl.toFormat.startsWith(QLatin1Char('.'))) cl.toFormat.remove(0, 1);
            if (!writableOutput(cl.toFormat)) {
                result.error = QStringLiteral("unknown output format: %1").arg(value);
                return result;
            }
            batchOptionSeen = true;
        } else if (arg == QLatin1String("--from")) {
            for (QString type : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                type = type.trimmed().toLower();
                if (type.startsWith(QLatin1Char('.'))) type.remove(0, 1);
                if (!document::readableType(type, kScope)) {
                    result.error = QStringLiteral("unknown input type: %1").arg(type);
                    return result;
                }
                if (!cl.fromTypes.contains(type)) cl.fromTypes << type;
            }
            if (cl.fromTypes.isEmpty()) {
                result.error = QStringLiteral("--from needs at least one input type");
                return result;
            }
            batchOptionSeen = true;
        } else if (arg == QLatin1String("--jobs")) {
            if (!parseInt(value, 1, 1024, &cl.jobs)) {
                result.error = QStringLiteral("bad number of jobs: %1").arg(value);
                return result;
            }
            batchOptionSeen = true;
        } else if (arg == QLatin1String("--record")) {
            int record = 0;
            if (!parseInt(value, 1, 1000000, &record)) {
                result.error = QStringLiteral("bad record number: %1").arg(value);
                return result;
            }
            cl.record = record;
        } else if (arg == QLatin1String("--thumbnail")) {
            if (!parseInt(value, 1, kMaxThumbnailSize, &cl.thumbnailSize)) {
                result.error = QStringLiteral("bad thumbnail size: %1").arg(value);
                return result;
            }
            thumbnail = true;
        } else if (arg == QLatin1String("--extract")) {
            extract = true;
        } else if (arg == QLatin1String("--info")) {
            info = true;
        } else if (arg == QLatin1String("--json")) {
            jsonSeen = true;
        } else if (arg == QLatin1String("--batch")) {
            batch = true;
        } else if (arg == QLatin1String("--recursive")) {
            cl.recursive = true;
            batchOptionSeen = true;
        } else if (arg == QLatin1String("--keep-tree")) {
            cl.keepTree = true;
            batchOptionSeen = true;
        } else if (arg == QLatin1String("--skip-existing")) {
            cl.skipExisting = true;
            batchOptionSeen = true;
        } else if (arg == QLatin1String("--help")) {
            help = true;
        } else if (arg == QLatin1String("--version")) {
            version = true;
        } else {
            result.error = QStringLiteral("unknown option: %1").arg(arg);
            return result;
        }
    }

    if (help) {
        cl.mode = Mode::Help;
        return result;
    }
    if (version) {
        cl.mode = Mode::Version;
        return result;
    }
    if (int(info) + int(batch) + int(extract) + int(thumbnail) > 1) {
        result.error =
            QStringLiteral("--info, --batch, --extract and --thumbnail cannot be combined");
        return result;
    }
    if (cl.record && (info || batch || extract || thumbnail)) {
        result.error = QStringLiteral("--record goes with one conversion, INPUT OUTPUT");
        return result;
    }
    if (jsonSeen && !info) {
        result.error = QStringLiteral("--json goes with --info");
        return result;
    }
    if (batchOptionSeen && !batch) {
        result.error = QStringLiteral(
            "--to, --from, --recursive, --keep-tree, --jobs and "
            "--skip-existing go with --batch");
        return result;
    }
    if (info) {
        cl.mode = Mode::Info;
        cl.json = jsonSeen;
        if (cl.operands.isEmpty()) result.error = QStringLiteral("--info needs a FILE");
        return result;
    }
    if (extract) {
        cl.mode = Mode::Extract;
        if (cl.operands.size() != 2)
            result.error = QStringLiteral("--extract needs FILE and OUTDIR");
        return result;
    }
    if (thumbnail) {
        cl.mode = Mode::Thumbnail;
        if (cl.operands.size() != 2)
            result.error = QStringLiteral("--thumbnail needs SIZE, INPUT and OUTPUT");
        return result;
    }
    if (batch) {
        cl.mode = Mode::Batch;
        if (cl.toFormat.isEmpty())
            result.error = QStringLiteral("--batch needs --to FORMAT");
        else if (cl.operands.size() != 2)
            result.error = QStringLiteral("--batch needs INDIR and OUTDIR");
        return result;
    }
    cl.mode = Mode::Convert;
    if (cl.operands.size() != 2) result.error = QStringLiteral("expected INPUT and OUTPUT");
    return result;
}

}  // namespace wsqconvert
