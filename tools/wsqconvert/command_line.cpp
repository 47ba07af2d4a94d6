#include "command_line.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include "convert_file.h"
#include "format_registry.h"
#include "thumbnail.h"

namespace wsqconvert {

namespace {

// Every option once: its name, the name of its value (empty: a switch) and its help lines.
struct OptionEntry {
    const char* name;
    const char* valueName;
    const char* help;  // lines separated by '\n'
};

constexpr OptionEntry kOptions[] = {
    {"bitrate", "R", "WSQ bit rate (default 0.75)"},
    {"ppi", "N",
     "the output's resolution: WSQ files carry it, PNG, TIFF,\n"
     "JPEG and BMP files state it (default: the input's; a WSQ\n"
     "output of an input stating none gets 500, with a warning)"},
    {"comment", "TEXT", "WSQ comment (default: none)"},
    {"max-bytes", "N",
     "WSQ outputs: the largest bit rate up to --bitrate whose\n"
     "stream fits in N bytes (at most a dozen encodes); a picture\n"
     "that cannot fit fails"},
    {"max-size", "SIZE",
     "--max-bytes with a unit: 500K, 12M (K = 1024) or 12MB\n"
     "(MB = 1000000)"},
    {"record", "N",
     "the picture of record N of a transaction (Type-1 is record\n"
     "1); needed when the transaction holds more than one"},
    {"accept-damaged", "",
     "convert what a damaged input holds (a file cut short, a\n"
     "broken compressed stream) instead of failing; the log and\n"
     "standard error say so"},
    {"log-json", "FILE",
     "append one JSON line per input to FILE as each one ends:\n"
     "input, output, status, error, size, resolution, bytes,\n"
     "bits per pixel, SHA-256 of the output, milliseconds"},
    {"from", "TYPE,...",
     "a batch's input extensions (default: every readable one);\n"
     "with one conversion, the type INPUT is read as (needed for\n"
     "INPUT -)"},
    {"to", "FORMAT",
     "a batch's output format (an output extension); the format\n"
     "of OUTPUT -"},
    {"info", "",
     "describe each FILE: size, depth and, for WSQ, resolution,\n"
     "encoder, comments, NISTCOM entries and segments"},
    {"json", "", "with --info, one JSON document"},
    {"extract", "",
     "write every picture of transaction FILE into OUTDIR as\n"
     "stored (raw pictures as PGM or PPM), named\n"
     "BASE-N-TYPE-POSITION.EXT"},
    {"thumbnail", "SIZE",
     "write INPUT's picture, fitted into SIZE x SIZE pixels, to\n"
     "OUTPUT as PNG (a transaction gives its first picture; a\n"
     "file whose name gives no type is read as WSQ when it\n"
     "starts like one)"},
    {"batch", "", "convert every file of INDIR into OUTDIR"},
    {"files-from", "LIST",
     "convert the files LIST names, one a line (- reads standard\n"
     "input), instead of INDIR's; --batch is implied"},
    {"null", "", "with --files-from, the names end with NUL bytes, not lines"},
    {"shard", "I/N",
     "convert only slice I of N (I from 1): a stable share of the\n"
     "inputs by a hash of each one's path below INDIR (or below\n"
     "the list's common directory)"},
    {"recursive", "", "include the subdirectories of INDIR"},
    {"keep-tree", "",
     "mirror the subdirectories of INDIR (with --recursive) or of\n"
     "the list's common directory in OUTDIR (default: every\n"
     "output directly in OUTDIR)"},
    {"jobs", "N", "files converted at once (default: the number of cores)"},
    {"skip-existing", "", "leave outputs that already exist alone"},
    {"retry-failed", "LOG",
     "convert only the inputs that LOG (a --log-json log) marks\n"
     "failed"},
    {"fail-fast", "", "stop after the first file that fails"},
    {"help", "", "show this text"},
    {"version", "", "show the version"},
};

bool parseInt(const QString& text, int lo, int hi, int* out) {
    bool ok = false;
    const int v = text.toInt(&ok, 10);
    if (!ok || v < lo || v > hi) return false;
    *out = v;
    return true;
}

QString optionLines() {
    QString text;
    for (const OptionEntry& option : kOptions) {
        QString head = QStringLiteral("  --%1").arg(QLatin1String(option.name));
        if (*option.valueName) head += QLatin1Char(' ') + QLatin1String(option.valueName);
        const QStringList lines = QString::fromLatin1(option.help).split(QLatin1Char('\n'));
        constexpr int kColumn = 20;
        if (head.size() >= kColumn - 1)
            text += head + QLatin1Char('\n') + QString(kColumn, QLatin1Char(' '));
        else
            text += head.leftJustified(kColumn);
        text +=
            lines.join(QLatin1Char('\n') + QString(kColumn, QLatin1Char(' '))) + QLatin1Char('\n');
    }
    return text;
}

// The extension a --to or --from value names, lower case and without a leading dot.
QString extensionOf(const QString& value) {
    QString type = value.trimmed().toLower();
    if (type.startsWith(QLatin1Char('.'))) type.remove(0, 1);
    return type;
}

}  // namespace

std::optional<qint64> parseSize(const QString& text) {
    static const struct {
        const char* suffix;
        qint64 factor;
    } units[] = {{"KB", 1000}, {"MB", 1000000},    {"GB", 1000000000},
                 {"K", 1024},  {"M", 1024 * 1024}, {"G", 1024LL * 1024 * 1024}};
    QString number = text.trimmed();
    qint64 factor = 1;
    for (const auto& unit : units) {
        if (number.endsWith(QLatin1String(unit.suffix), Qt::CaseInsensitive)) {
            number.chop(static_cast<qsizetype>(qstrlen(unit.suffix)));
            factor = unit.factor;
            break;
        }
    }
    bool ok = false;
    const qint64 value = number.toLongLong(&ok, 10);
    if (!ok || value < 1 || value > (qint64(1) << 40) / factor) return std::nullopt;
    return value * factor;
}

QString usageText() {
    return QStringLiteral(
        "usage: wsqconvert [options] INPUT OUTPUT\n"
        "       wsqconvert --info [--json] FILE...\n"
        "       wsqconvert --extract FILE OUTDIR\n"
        "       wsqconvert --thumbnail SIZE INPUT OUTPUT\n"
        "       wsqconvert --batch --to FORMAT [options] INDIR OUTDIR\n"
        "       wsqconvert --files-from LIST --to FORMAT [options] OUTDIR\n"
        "       wsqconvert --help | --version\n");
}

QString helpText() {
    const QString types =
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
            "INPUT - reads standard input as the --from type; OUTPUT - writes standard output "
            "in\n"
            "the --to format.\n"
            "WSQ and PGM output is grey, (red + green + blue) / 3. A grey picture (every WSQ\n"
            "file, grey PNG, TIFF, BMP, JPEG, PNM) stays grey: PNG, TIFF, JPEG and BMP (with\n"
            "a grey palette) outputs are then 8-bit grey files with the same pixels. The\n"
            "resolution an input states (WSQ, transaction records, PNG, TIFF, JPEG, BMP) goes\n"
            "into every output that can state one.\n"
            "\n"
            "Options:\n")
            .arg(document::readableExtensionList(document::Reader::Wsq),
                 document::readableExtensionList(document::Reader::RasterLibrary),
                 document::readableExtensionList(document::Reader::Toolkit, kScope),
                 outputExtensionList(),
                 document::readableExtensionList(document::Reader::Transaction));
    return usageText() + types + optionLines() +
           QStringLiteral(
               "\n"
               "Batch outputs are named OUTDIR/BASE.FORMAT, BASE being the input's name up to its\n"
               "first \".\"; each picture of a transaction becomes OUTDIR/BASE-N.FORMAT, N its\n"
               "record. Two inputs that would make the same output are reported and neither is\n"
               "written. A batch ends with a summary line on standard output.\n"
               "\n"
               "Exit status: 0 when everything was converted, 1 when a file failed, 2 for a usage\n"
               "error, 3 when a batch had no input. A run stopped by SIGINT, SIGTERM or SIGHUP\n"
               "removes the files it was writing and ends by that signal.\n");
}

ParseResult parseCommandLine(const QStringList& arguments) {
    ParseResult result;
    CommandLine& cl = result.commandLine;
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const OptionEntry& option : kOptions) {
        QCommandLineOption entry(QString::fromLatin1(option.name));
        if (*option.valueName) entry.setValueName(QString::fromLatin1(option.valueName));
        parser.addOption(entry);
    }
    // The parser takes the program's name first.
    if (!parser.parse(QStringList{QStringLiteral("wsqconvert")} + arguments)) {
        result.error = parser.errorText();
        return result;
    }
    const auto isSet = [&](const char* name) { return parser.isSet(QString::fromLatin1(name)); };
    const auto value = [&](const char* name) { return parser.value(QString::fromLatin1(name)); };
    const auto fail = [&](const QString& text) {
        result.error = text;
        return result;
    };
    cl.operands = parser.positionalArguments();

    if (isSet("help")) {
        cl.mode = Mode::Help;
        return result;
    }
    if (isSet("version")) {
        cl.mode = Mode::Version;
        return result;
    }

    if (isSet("bitrate")) {
        bool ok = false;
        cl.bitrate = value("bitrate").toDouble(&ok);
        if (!ok || !(cl.bitrate > 0.0) || cl.bitrate > 100.0)
            return fail(QStringLiteral("bad bit rate: %1").arg(value("bitrate")));
    }
    if (isSet("ppi")) {
        int ppi = 0;
        if (!parseInt(value("ppi"), 1, 100000, &ppi))
            return fail(QStringLiteral("bad resolution: %1").arg(value("ppi")));
        cl.ppi = ppi;
    }
    if (isSet("comment")) cl.comment = value("comment");
    if (isSet("max-bytes") && isSet("max-size"))
        return fail(QStringLiteral("--max-bytes and --max-size are the same limit: give one"));
    if (isSet("max-bytes")) {
        const QString text = value("max-bytes");
        bool digits = !text.isEmpty();
        for (const QChar c : text) digits = digits && c.isDigit();
        cl.maxBytes = digits ? parseSize(text) : std::nullopt;
        if (!cl.maxBytes) return fail(QStringLiteral("bad number of bytes: %1").arg(text));
    }
    if (isSet("max-size")) {
        cl.maxBytes = parseSize(value("max-size"));
        if (!cl.maxBytes) return fail(QStringLiteral("bad size: %1").arg(value("max-size")));
    }
    cl.acceptDamaged = isSet("accept-damaged");
    if (isSet("log-json")) {
        cl.logJson = value("log-json");
        if (cl.logJson.isEmpty() || cl.logJson == QLatin1String("-"))
            return fail(QStringLiteral("--log-json needs a file name"));
    }
    if (isSet("record")) {
        int record = 0;
        if (!parseInt(value("record"), 1, 1000000, &record))
            return fail(QStringLiteral("bad record number: %1").arg(value("record")));
        cl.record = record;
    }
    if (isSet("to")) {
        cl.toFormat = extensionOf(value("to"));
        if (!writableOutput(cl.toFormat))
            return fail(QStringLiteral("unknown output format: %1").arg(value("to")));
    }
    if (isSet("from")) {
        for (const QString& listed : value("from").split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const QString type = extensionOf(listed);
            if (!document::readableType(type, kScope))
                return fail(QStringLiteral("unknown input type: %1").arg(type));
            if (!cl.fromTypes.contains(type)) cl.fromTypes << type;
        }
        if (cl.fromTypes.isEmpty())
            return fail(QStringLiteral("--from needs at least one input type"));
    }
    if (isSet("jobs") && !parseInt(value("jobs"), 1, 1024, &cl.jobs))
        return fail(QStringLiteral("bad number of jobs: %1").arg(value("jobs")));
    if (isSet("thumbnail") &&
        !parseInt(value("thumbnail"), 1, kMaxThumbnailSize, &cl.thumbnailSize))
        return fail(QStringLiteral("bad thumbnail size: %1").arg(value("thumbnail")));
    if (isSet("files-from")) {
        cl.filesFrom = value("files-from");
        if (cl.filesFrom.isEmpty()) return fail(QStringLiteral("--files-from needs a file name"));
    }
    if (isSet("shard")) {
        const QStringList parts = value("shard").split(QLatin1Char('/'));
        Shard shard;
        if (parts.size() != 2 || !parseInt(parts[1], 1, 1000000, &shard.count) ||
            !parseInt(parts[0], 1, shard.count, &shard.index))
            return fail(QStringLiteral("bad shard: %1 (I/N, I from 1 to N)").arg(value("shard")));
        cl.shard = shard;
    }
    if (isSet("retry-failed")) {
        cl.retryFailed = value("retry-failed");
        if (cl.retryFailed.isEmpty())
            return fail(QStringLiteral("--retry-failed needs a log file"));
    }
    cl.nullSeparated = isSet("null");
    cl.failFast = isSet("fail-fast");
    cl.recursive = isSet("recursive");
    cl.keepTree = isSet("keep-tree");
    cl.skipExisting = isSet("skip-existing");
    cl.json = isSet("json");

    const bool info = isSet("info"), extract = isSet("extract"), thumbnail = isSet("thumbnail");
    const bool batch = isSet("batch") || !cl.filesFrom.isEmpty();
    if (int(info) + int(batch) + int(extract) + int(thumbnail) > 1)
        return fail(
            QStringLiteral("--info, --batch, --extract and --thumbnail cannot be combined"));
    const bool converting = !info && !extract && !thumbnail;
    if (cl.record && !(converting && !batch))
        return fail(QStringLiteral("--record goes with one conversion, INPUT OUTPUT"));
    if (cl.json && !info) return fail(QStringLiteral("--json goes with --info"));
    if (!converting) {
        for (const char* name : {"bitrate", "ppi", "comment", "max-bytes", "max-size",
                                 "accept-damaged", "log-json", "from", "to"})
            if (isSet(name))
                return fail(QStringLiteral("--%1 goes with a conversion").arg(QLatin1String(name)));
    }
    if (!batch) {
        for (const char* name : {"recursive", "keep-tree", "jobs", "skip-existing", "shard",
                                 "retry-failed", "fail-fast", "null"})
            if (isSet(name))
                return fail(QStringLiteral("--%1 goes with --batch").arg(QLatin1String(name)));
    }
    if (cl.nullSeparated && cl.filesFrom.isEmpty())
        return fail(QStringLiteral("--null goes with --files-from"));

    if (info) {
        cl.mode = Mode::Info;
        if (cl.operands.isEmpty()) return fail(QStringLiteral("--info needs a FILE"));
        return result;
    }
    if (extract) {
        cl.mode = Mode::Extract;
        if (cl.operands.size() != 2) return fail(QStringLiteral("--extract needs FILE and OUTDIR"));
        return result;
    }
    if (thumbnail) {
        cl.mode = Mode::Thumbnail;
        if (cl.operands.size() != 2)
            return fail(QStringLiteral("--thumbnail needs SIZE, INPUT and OUTPUT"));
        return result;
    }
    if (batch) {
        cl.mode = Mode::Batch;
        if (cl.toFormat.isEmpty()) return fail(QStringLiteral("--batch needs --to FORMAT"));
        if (cl.maxBytes && cl.toFormat != QLatin1String("wsq"))
            return fail(QStringLiteral("--max-bytes and --max-size limit WSQ outputs"));
        if (!cl.filesFrom.isEmpty()) {
            if (cl.recursive)
                return fail(
                    QStringLiteral("--recursive walks INDIR; a --files-from list names "
                                   "every file"));
            if (cl.operands.size() != 1)
                return fail(QStringLiteral("--files-from needs OUTDIR alone"));
        } else if (cl.operands.size() != 2) {
            return fail(QStringLiteral("--batch needs INDIR and OUTDIR"));
        }
        if (cl.filesFrom == QLatin1String("-") && cl.retryFailed == QLatin1String("-"))
            return fail(QStringLiteral("only one of the list and the log can be standard input"));
        return result;
    }

    cl.mode = Mode::Convert;
    if (cl.operands.size() != 2) return fail(QStringLiteral("expected INPUT and OUTPUT"));
    const QString& input = cl.operands[0];
    const QString& output = cl.operands[1];
    if (cl.fromTypes.size() > 1)
        return fail(QStringLiteral("--from names one type for one conversion"));
    if (input == QLatin1String("-") && cl.fromTypes.isEmpty())
        return fail(QStringLiteral("INPUT - needs --from TYPE"));
    if (output == QLatin1String("-")) {
        if (cl.toFormat.isEmpty()) return fail(QStringLiteral("OUTPUT - needs --to FORMAT"));
    } else if (!cl.toFormat.isEmpty()) {
        return fail(QStringLiteral(
            "--to goes with --batch or OUTPUT -; OUTPUT's extension names its format"));
    }
    const QString outputType =
        output == QLatin1String("-") ? cl.toFormat : QFileInfo(output).suffix().toLower();
    if (cl.maxBytes && outputType != QLatin1String("wsq"))
        return fail(QStringLiteral("--max-bytes and --max-size limit WSQ outputs"));
    return result;
}

}  // namespace wsqconvert
