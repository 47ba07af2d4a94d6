// Position, impression, field and record-type names.
#include "ansinist/codes.h"

#include <array>
#include <cstddef>

namespace ansinist {

namespace {

struct Name {
    int code;
    const char* name;
};

constexpr Name kFingers[] = {
    {0, "Unknown finger"},
    {1, "Right thumb"},
    {2, "Right index finger"},
    {3, "Right middle finger"},
    {4, "Right ring finger"},
    {5, "Right little finger"},
    {6, "Left thumb"},
    {7, "Left index finger"},
    {8, "Left middle finger"},
    {9, "Left ring finger"},
    {10, "Left little finger"},
    {11, "Plain right thumb"},
    {12, "Plain left thumb"},
    {13, "Plain right four fingers"},
    {14, "Plain left four fingers"},
    {15, "Left and right thumbs"},
    {16, "Right extra digit"},
    {17, "Left extra digit"},
    {18, "Unknown friction ridge"},
    {19, "EJI or tip"},
};

constexpr Name kMultipleFingers[] = {
    {40, "Right index and middle fingers"},
    {41, "Right middle and ring fingers"},
    {42, "Right ring and little fingers"},
    {43, "Left index and middle fingers"},
    {44, "Left middle and ring fingers"},
    {45, "Left ring and little fingers"},
    {46, "Right and left index fingers"},
    {47, "Right index, middle and ring fingers"},
    {48, "Right middle, ring and little fingers"},
    {49, "Left index, middle and ring fingers"},
    {50, "Left middle, ring and little fingers"},
    {51, "Right four fingertips"},
    {52, "Left four fingertips"},
    {53, "Right five fingertips"},
    {54, "Left five fingertips"},
};

constexpr Name kPalms[] = {
    {20, "Unknown palm"},
    {21, "Right full palm"},
    {22, "Right writer's palm"},
    {23, "Left full palm"},
    {24, "Left writer's palm"},
    {25, "Right lower palm"},
    {26, "Right upper palm"},
    {27, "Left lower palm"},
    {28, "Left upper palm"},
    {29, "Right other"},
    {30, "Left other"},
    {31, "Right interdigital"},
    {32, "Right thenar"},
    {33, "Right hypothenar"},
    {34, "Left interdigital"},
    {35, "Left thenar"},
    {36, "Left hypothenar"},
    {37, "Right grasp"},
    {38, "Left grasp"},
    {81, "Right carpal delta area"},
    {82, "Left carpal delta area"},
    {83, "Right full palm with writer's palm"},
    {84, "Left full palm with writer's palm"},
    {85, "Right wrist bracelet"},
    {86, "Left wrist bracelet"},
};

constexpr Name kPlantar[] = {
    {60, "Unknown sole"},
    {61, "Right sole"},
    {62, "Left sole"},
    {63, "Unknown toe"},
};
// 64-79 name single toes and areas of the soles.
constexpr int kLastPlantarCode = 79;

constexpr Name kImpressions[] = {
    {0, "Live-scan plain"},
    {1, "Live-scan rolled"},
    {2, "Non-live-scan plain"},
    {3, "Non-live-scan rolled"},
    {4, "Latent impression"},
    {5, "Latent tracing"},
    {6, "Latent photo"},
    {7, "Latent lift"},
    {8, "Live-scan vertical swipe"},
    {10, "Live-scan palm"},
    {11, "Non-live-scan palm"},
    {12, "Latent palm impression"},
    {13, "Latent palm tracing"},
    {14, "Latent palm photo"},
    {15, "Latent palm lift"},
    {20, "Live-scan optical contact plain"},
    {21, "Live-scan optical contact rolled"},
    {22, "Live-scan non-optical contact plain"},
    {23, "Live-scan non-optical contact rolled"},
    {24, "Live-scan optical contactless plain"},
    {25, "Live-scan optical contactless rolled"},
    {26, "Live-scan non-optical contactless plain"},
    {27, "Live-scan non-optical contactless rolled"},
    {28, "Other"},
    {29, "Unknown"},
    {30, "Live-scan plantar"},
    {31, "Non-live-scan plantar"},
    {32, "Latent plantar impression"},
    {33, "Latent plantar tracing"},
    {34, "Latent plantar photo"},
    {35, "Latent plantar lift"},
    {36, "Latent impression of unknown friction ridge"},
    {37, "Latent tracing of unknown friction ridge"},
    {38, "Latent photo of unknown friction ridge"},
    {39, "Latent lift of unknown friction ridge"},
};

template <size_t N>
const char* find(const Name (&table)[N], int code) {
    for (const Name& n : table)
        if (n.code == code) return n.name;
    return nullptr;
}

// Field names shared by every tagged image record (10, 13-17, 19, 20).
const char* imageFieldMnemonic(int field) {
    switch (field) {
        case 4:
            return "SRC";
        case 6:
            return "HLL";
        case 7:
            return "VLL";
        case 8:
            return "SLC";
        case 9:
            return "THPS";
        case 10:
            return "TVPS";
        case 11:
            return "CGA";
        case 999:
            return "DATA";
        default:
            return nullptr;
    }
}

}  // namespace

const char* positionName(int recordType, int code) {
    const bool any = recordType == 0;
    const bool fingers =
        any || (recordType >= 3 && recordType <= 7) || recordType == 13 || recordType == 14;
    const bool palms = any || recordType == 13 || recordType == 15;
    const bool plantar = any || recordType == 13 || recordType == 19;
    const char* name = nullptr;
    if (fingers) name = find(kFingers, code);
    if (!name && (any || recordType == 14)) name = find(kMultipleFingers, code);
    // Ten-print records also take the two hypothenar areas.
    if (!name && (palms || (recordType == 14 && (code == 33 || code == 36))))
        name = find(kPalms, code);
    if (!name && plantar) {
        name = find(kPlantar, code);
        if (!name && code > 63 && code <= kLastPlantarCode) name = "Toe or area of a sole";
    }
    return name ? name : "";
}

const char* impressionName(int code) {
    const char* name = find(kImpressions, code);
    return name ? name : "";
}

const char* fieldMnemonic(int recordType, int field) {
    if (field == 1) return "LEN";
    if (field == 2) return recordType == 1 ? "VER" : "IDC";
    switch (recordType) {
        case 1: {
            constexpr std::array<const char*, 19> names = {
                "",    "LEN", "VER", "CNT", "TOT", "DAT", "PRY", "DAI", "ORI", "TCN",
                "TCR", "NSR", "NTR", "DOM", "GMT", "DCS", "APS", "ANM", "GNS"};
            return field > 0 && field < static_cast<int>(names.size()) ? names[field] : "";
        }
        case 3:
        case 4:
        case 5:
        case 6:
        case 7: {
            constexpr std::array<const char*, 10> names = {"",    "LEN", "IDC", "IMP", "FGP",
                                                           "ISR", "HLL", "VLL", "GCA", "DATA"};
            if (field == 8 && (recordType == 5 || recordType == 6)) return "BCA";
            if (recordType == 7 && field > 2) return "";
            return field > 0 && field < static_cast<int>(names.size()) ? names[field] : "";
        }
        case 8: {
            constexpr std::array<const char*, 9> names = {"",    "LEN", "IDC", "SIG", "SRT",
                                                          "ISR", "HLL", "VLL", "DATA"};
            return field > 0 && field < static_cast<int>(names.size()) ? names[field] : "";
        }
        case 9: {
            constexpr std::array<const char*, 13> names = {"",    "LEN", "IDC", "IMP", "FMT",
                                                           "OFR", "FGP", "FPC", "CRP", "DLT",
                                                           "MIN", "RDG", "MRC"};
            return field > 0 && field < static_cast<int>(names.size()) ? names[field] : "";
        }
        default:
            break;
    }
    const bool image = recordType == 10 || (recordType >= 13 && recordType <= 17) ||
                       recordType == 19 || recordType == 20;
    if (!image) return "";
    if (const char* common = imageFieldMnemonic(field)) return common;
    const bool frictionRidge =
        recordType == 13 || recordType == 14 || recordType == 15 || recordType == 19;
    switch (field) {
        case 3:
            if (frictionRidge) return "IMP";
            return recordType == 10   ? "IMT"
                   : recordType == 16 ? "UDI"
                   : recordType == 17 ? "ELR"
                                      : "";
        case 5:
            switch (recordType) {
                case 10:
                    return "PHD";
                case 13:
                    return "LCD";
                case 15:
                    return "PCD";
                case 16:
                    return "UTD";
                case 17:
                    return "ICD";
                default:
                    return frictionRidge ? "FCD" : "";
            }
        case 12:
            return recordType == 10 ? "CSP" : "BPX";
        case 13:
            if (frictionRidge) return "FGP";
            return recordType == 10 ? "" : "CSP";
        case 14:
            return recordType == 13 ? "SPD" : recordType == 14 ? "PPD" : "";
        case 15:
            return recordType == 14 ? "PPC" : "";
        case 18:
            return recordType == 14 || recordType == 15 ? "AMP" : "";
        default:
            return "";
    }
}

const char* recordTypeName(int recordType) {
    switch (recordType) {
        case 1:
            return "Transaction information";
        case 2:
            return "Descriptive text";
        case 3:
            return "Low-resolution grey fingerprint";
        case 4:
            return "High-resolution grey fingerprint";
        case 5:
            return "Low-resolution binary fingerprint";
        case 6:
            return "High-resolution binary fingerprint";
        case 7:
            return "User-defined image";
        case 8:
            return "Signature";
        case 9:
            return "Minutiae";
        case 10:
            return "Face, scar, mark or tattoo";
        case 13:
            return "Latent friction ridge";
        case 14:
            return "Ten-print fingerprint";
        case 15:
            return "Palm print";
        case 16:
            return "User-defined test image";
        case 17:
            return "Iris";
        case 19:
            return "Plantar";
        case 20:
            return "Source representation";
        default:
            return "";
    }
}

}  // namespace ansinist
