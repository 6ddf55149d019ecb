#include "imaging/colour_profile.h"

#include <lcms2.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <mutex>
#include <string_view>

namespace vendrik {
namespace {

// An APP2 segment that carries a profile chunk starts with this name, then
// the chunk's sequence number and the number of chunks (one byte each).
constexpr std::string_view kIccSignature{"ICC_PROFILE\0", 12};
constexpr std::size_t kIccHeader = kIccSignature.size() + 2;

// Little CMS reports problems through a process-wide handler; the loader
// reports its own reason instead, so the handler stays silent.
void silentLog(cmsContext, cmsUInt32Number, const char*) {}

void silenceLittleCms() {
    static std::once_flag once;
    std::call_once(once, [] { cmsSetLogErrorHandler(silentLog); });
}

struct ProfileCloser {
    void operator()(void* p) const { cmsCloseProfile(p); }
};
using Profile = std::unique_ptr<void, ProfileCloser>;

struct TransformDeleter {
    void operator()(void* t) const { cmsDeleteTransform(t); }
};
using Transform = std::unique_ptr<void, TransformDeleter>;

Profile openProfile(std::span<const std::uint8_t> bytes) {
    silenceLittleCms();
    if (bytes.empty() || bytes.size() > kMaxProfileBytes) {
        return nullptr;
    }
    return Profile(cmsOpenProfileFromMem(bytes.data(), static_cast<cmsUInt32Number>(bytes.size())));
}

// Little CMS's own sRGB, the target of every conversion. Built once; a
// profile handle that is only read from is safe to share between threads.
cmsHPROFILE srgb() {
    static const Profile profile(cmsCreate_sRGBProfile());
    return profile.get();
}

// The descriptions sRGB profiles in circulation carry (the IEC profile that
// cameras, phones and Photoshop embed, and Little CMS's own).
bool describesSrgb(cmsHPROFILE profile) {
    std::array<char, 128> text{};
    if (cmsGetProfileInfoASCII(profile, cmsInfoDescription, "en", "US", text.data(),
                               static_cast<cmsUInt32Number>(text.size())) == 0) {
        return false;
    }
    const std::string_view d(text.data());
    return d == "sRGB IEC61966-2.1" || d == "sRGB built-in" || d == "sRGB";
}

// Colorants and curves in the profiles' s15Fixed16 numbers differ between
// sRGB profiles by a few units in the fourth decimal; a real other space
// (Display P3's red is 0.515 against sRGB's 0.436) is far beyond.
constexpr double kColorantTolerance = 0.002;
// A quarter of one 8-bit step: curves this close give the same pixels.
constexpr float kCurveTolerance = 0.25F / 255.0F;

bool sameColorant(cmsHPROFILE a, cmsHPROFILE b, cmsTagSignature tag) {
    const auto* x = static_cast<const cmsCIEXYZ*>(cmsReadTag(a, tag));
    const auto* y = static_cast<const cmsCIEXYZ*>(cmsReadTag(b, tag));
    return x != nullptr && y != nullptr && std::fabs(x->X - y->X) <= kColorantTolerance &&
           std::fabs(x->Y - y->Y) <= kColorantTolerance &&
           std::fabs(x->Z - y->Z) <= kColorantTolerance;
}

bool sameCurve(cmsHPROFILE a, cmsHPROFILE b, cmsTagSignature tag) {
    const auto* x = static_cast<const cmsToneCurve*>(cmsReadTag(a, tag));
    const auto* y = static_cast<const cmsToneCurve*>(cmsReadTag(b, tag));
    if (x == nullptr || y == nullptr) {
        return false;
    }
    constexpr int kSteps = 1024;
    for (int i = 0; i <= kSteps; ++i) {
        const float v = static_cast<float>(i) / kSteps;
        if (std::fabs(cmsEvalToneCurveFloat(x, v) - cmsEvalToneCurveFloat(y, v)) > kCurveTolerance) {
            return false;
        }
    }
    return true;
}

bool isSrgb(cmsHPROFILE profile) {
    if (cmsGetColorSpace(profile) != cmsSigRgbData) {
        return false;
    }
    if (describesSrgb(profile)) {
        return true;
    }
    if (cmsIsMatrixShaper(profile) == 0) {
        return false;
    }
    const cmsHPROFILE s = srgb();
    return sameColorant(profile, s, cmsSigRedColorantTag) &&
           sameColorant(profile, s, cmsSigGreenColorantTag) &&
           sameColorant(profile, s, cmsSigBlueColorantTag) &&
           sameCurve(profile, s, cmsSigRedTRCTag) && sameCurve(profile, s, cmsSigGreenTRCTag) &&
           sameCurve(profile, s, cmsSigBlueTRCTag);
}

ColourReport ignored(std::string note) {
    return {ColourOutcome::Ignored, std::move(note)};
}

std::string spaceName(cmsColorSpaceSignature space) {
    switch (space) {
        case cmsSigRgbData:
            return "RGB";
        case cmsSigGrayData:
            return "Graustufen";
        case cmsSigCmykData:
            return "CMYK";
        case cmsSigLabData:
            return "Lab";
        default:
            return "unbekannter Farbraum";
    }
}

// Each conversion builds its own transform without Little CMS's one-pixel
// cache, so that pictures converted at once on several threads share nothing
// that is written.
Transform makeTransform(cmsHPROFILE from, cmsUInt32Number inFormat) {
    return Transform(cmsCreateTransform(from, inFormat, srgb(), TYPE_BGR_8, INTENT_PERCEPTUAL,
                                        cmsFLAGS_NOCACHE));
}

}  // namespace

void IccChunks::add(std::span<const std::uint8_t> segment) {
    if (segment.size() < kIccHeader ||
        std::memcmp(segment.data(), kIccSignature.data(), kIccSignature.size()) != 0 ||
        !m_problem.empty()) {
        return;
    }
    const int sequence = segment[kIccSignature.size()];
    const int count = segment[kIccSignature.size() + 1];
    if (count == 0 || sequence == 0 || sequence > count || (m_count != 0 && count != m_count)) {
        m_problem = "Farbprofil mit ungültiger Teilnummerierung";
        return;
    }
    for (const Chunk& c : m_chunks) {
        if (c.sequence == sequence) {
            m_problem = "Farbprofil mit doppeltem Teil " + std::to_string(sequence);
            return;
        }
    }
    const std::size_t size = segment.size() - kIccHeader;
    if (size > kMaxProfileBytes - m_total) {
        m_problem = "Farbprofil zu groß (höchstens 4 MB)";
        return;
    }
    m_count = count;
    m_total += size;
    m_chunks.push_back({sequence, {segment.begin() + kIccHeader, segment.end()}});
}

std::optional<std::vector<std::uint8_t>> IccChunks::profile(std::string& problem) const {
    problem = m_problem;
    if (!m_problem.empty() || m_chunks.empty()) {
        return std::nullopt;
    }
    if (m_total == 0) {
        problem = "Farbprofil leer";
        return std::nullopt;
    }
    if (m_chunks.size() != static_cast<std::size_t>(m_count)) {
        problem = "Farbprofil unvollständig (" + std::to_string(m_chunks.size()) + " von " +
                  std::to_string(m_count) + " Teilen)";
        return std::nullopt;
    }
    std::vector<const Chunk*> order;
    for (const Chunk& c : m_chunks) {
        order.push_back(&c);
    }
    std::sort(order.begin(), order.end(),
              [](const Chunk* a, const Chunk* b) { return a->sequence < b->sequence; });
    std::vector<std::uint8_t> whole;
    whole.reserve(m_total);
    for (const Chunk* c : order) {
        whole.insert(whole.end(), c->bytes.begin(), c->bytes.end());
    }
    return whole;
}

bool isSrgbProfile(std::span<const std::uint8_t> profile) {
    const Profile p = openProfile(profile);
    return p && isSrgb(p.get());
}

ColourReport convertToSrgb(Surface& pixels, std::span<const std::uint8_t> profile) {
    if (profile.empty()) {
        return {};
    }
    if (profile.size() > kMaxProfileBytes) {
        return ignored("Farbprofil zu groß (höchstens 4 MB), ignoriert");
    }
    const Profile p = openProfile(profile);
    if (!p) {
        return ignored("Farbprofil beschädigt, ignoriert");
    }
    const cmsColorSpaceSignature space = cmsGetColorSpace(p.get());
    if (space == cmsSigRgbData && isSrgb(p.get())) {
        return {ColourOutcome::Srgb, {}};
    }
    if (space != cmsSigRgbData && space != cmsSigGrayData) {
        return ignored("Farbprofil (" + spaceName(space) + ") passt nicht zum Bild, ignoriert");
    }
    const bool grey = space == cmsSigGrayData;
    const Transform t = makeTransform(p.get(), grey ? TYPE_GRAY_8 : TYPE_BGR_8);
    if (!t) {
        return ignored("Farbprofil nicht verwendbar, ignoriert");
    }
    const int w = pixels.width();
    std::vector<std::uint8_t> greyRow(grey ? static_cast<std::size_t>(std::max(w, 0)) : 0);
    for (int y = 0; y < pixels.height(); ++y) {
        std::uint8_t* row = pixels.row(y);
        if (grey) {
            for (int x = 0; x < w; ++x) {
                greyRow[static_cast<std::size_t>(x)] = row[x * Surface::kBytesPerPixel];
            }
            cmsDoTransform(t.get(), greyRow.data(), row, static_cast<cmsUInt32Number>(w));
        } else {
            // Same pixel size in and out: Little CMS converts in place.
            cmsDoTransform(t.get(), row, row, static_cast<cmsUInt32Number>(w));
        }
    }
    return {ColourOutcome::Converted, {}};
}

std::unique_ptr<CmykToSrgb> CmykToSrgb::create(std::span<const std::uint8_t> profile,
                                               bool inverted, std::string& problem) {
    const Profile p = openProfile(profile);
    if (!p) {
        problem = profile.size() > kMaxProfileBytes ? "Farbprofil zu groß (höchstens 4 MB), ignoriert"
                                                    : "Farbprofil beschädigt, ignoriert";
        return nullptr;
    }
    const cmsColorSpaceSignature space = cmsGetColorSpace(p.get());
    if (space != cmsSigCmykData) {
        problem = "Farbprofil (" + spaceName(space) + ") passt nicht zum CMYK-Bild, ignoriert";
        return nullptr;
    }
    // Adobe's inverted ink (255 = no ink) is Little CMS's "min is white"
    // flavour of CMYK.
    Transform t = makeTransform(p.get(), inverted ? TYPE_CMYK_8_REV : TYPE_CMYK_8);
    if (!t) {
        problem = "Farbprofil nicht verwendbar, ignoriert";
        return nullptr;
    }
    return std::unique_ptr<CmykToSrgb>(new CmykToSrgb(t.release()));
}

CmykToSrgb::~CmykToSrgb() {
    cmsDeleteTransform(m_transform);
}

void CmykToSrgb::convertRow(const std::uint8_t* cmyk, std::uint8_t* bgr, int width) const {
    cmsDoTransform(m_transform, cmyk, bgr, static_cast<cmsUInt32Number>(std::max(width, 0)));
}

}  // namespace vendrik
