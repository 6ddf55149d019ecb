#include "imaging/colour_profile.h"

#include <lcms2.h>
#include <lcms2_plugin.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string_view>

namespace vendrik {
namespace {

// An APP2 segment that carries a profile chunk starts with this name, then
// the chunk's sequence number and the number of chunks (one byte each).
constexpr std::string_view kIccSignature{"ICC_PROFILE\0", 12};
constexpr std::size_t kIccHeader = kIccSignature.size() + 2;

// Little CMS reports problems through a handler of its context; the loader
// reports its own reason instead, so the handler stays silent.
void silentLog(cmsContext, cmsUInt32Number, const char*) {}

// Little CMS allocates what a profile's tags claim before it reads them: a
// profile of 939 bytes whose description claimed sixteen million records
// had it take 200 MB, twice over. Real profiles are at most kMaxProfileBytes
// and the transforms built from them a few hundred KB, so no single block
// beyond four times that is given; Little CMS then finds the tag unreadable
// and the profile is judged without it, or ignored as damaged.
constexpr cmsUInt32Number kMaxLittleCmsBlock = 4 * kMaxProfileBytes;

void* boundedMalloc(cmsContext, cmsUInt32Number size) {
    return size <= kMaxLittleCmsBlock ? std::malloc(size) : nullptr;
}

void boundedFree(cmsContext, void* block) {
    std::free(block);
}

void* boundedRealloc(cmsContext, void* block, cmsUInt32Number size) {
    return size <= kMaxLittleCmsBlock ? std::realloc(block, size) : nullptr;
}

// The one context every profile, curve and transform here is made in: its
// allocations bounded, its messages silent. Shared by all threads, as
// Little CMS allows for a context that is only read after its creation.
cmsContext littleCms() {
    static cmsPluginMemHandler memory = {
        {cmsPluginMagicNumber, 2000, cmsPluginMemHandlerSig, nullptr},
        boundedMalloc, boundedFree, boundedRealloc, nullptr, nullptr, nullptr};
    static const cmsContext context = [] {
        const cmsContext c = cmsCreateContext(&memory, nullptr);
        cmsSetLogErrorHandlerTHR(c, silentLog);
        return c;
    }();
    return context;
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
    if (bytes.empty() || bytes.size() > kMaxProfileBytes) {
        return nullptr;
    }
    return Profile(cmsOpenProfileFromMemTHR(littleCms(), bytes.data(),
                                            static_cast<cmsUInt32Number>(bytes.size())));
}

// Little CMS's own sRGB, the target of every conversion. Built once; a
// profile handle that is only read from is safe to share between threads.
cmsHPROFILE srgb() {
    static const Profile profile(cmsCreate_sRGBProfileTHR(littleCms()));
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
        // Written so that a NaN from a forged curve counts as different.
        if (!(std::fabs(cmsEvalToneCurveFloat(x, v) - cmsEvalToneCurveFloat(y, v)) <=
              kCurveTolerance)) {
            return false;
        }
    }
    return true;
}

// A profile's data colour space, the four characters of its header taken
// as a number. Little CMS hands it out as its enumeration, but a forged
// profile may hold any 32 bits there, which are no value of that
// enumeration (reading one as such is undefined behaviour).
using SpaceCode = std::uint32_t;

constexpr SpaceCode code(cmsColorSpaceSignature space) {
    return static_cast<SpaceCode>(space);
}

SpaceCode spaceOf(cmsHPROFILE profile) {
    return static_cast<SpaceCode>(cmsGetColorSpace(profile));
}

// What a profile's curves and primaries may hold. The profile stores them
// as 16-bit tables and s15Fixed16 numbers, which are finite, but Little CMS
// evaluates a parametric curve in floating point: a gamma of 100 over a
// slope of 30000 overflows to infinity for every value but 0, and the
// matrix then makes NaN of it (infinity minus infinity). Every value the
// conversion takes from a profile is therefore checked once, before any
// pixel meets it:
// - a curve maps [0, 1] into [0, 1]; the slack allows for parameters rounded
//   to s15Fixed16 (an sRGB curve of such a profile ends at 1.0000153);
// - a primary's XYZ stays near [0, 1] in real spaces (a little below 0 for
//   the imaginary blue of ACES); kMaxColorant leaves ample room and still
//   refuses what is no colour, and the three must span a space (the
//   determinant of their matrix, about 0.2 for sRGB, far from zero), or
//   every colour would fall onto a plane or a line: a picture turned grey.
constexpr float kCurveSlack = 1.0F / 1024.0F;
constexpr double kMaxColorant = 4.0;
constexpr double kMinColorantDeterminant = 1e-3;

using Matrix3 = std::array<std::array<double, 3>, 3>;

double determinant(const Matrix3& a) {
    return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
           a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
           a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
}

// The curve at every 8-bit value (where the conversion looks it up) and on
// a fine grid between (where Little CMS samples it for its own tables).
bool usableCurve(const cmsToneCurve* curve) {
    const auto inRange = [curve](float x) {
        const float v = cmsEvalToneCurveFloat(curve, x);
        return v >= -kCurveSlack && v <= 1.0F + kCurveSlack;  // false for NaN
    };
    constexpr int kFine = 4096;
    for (int i = 0; i <= 255; ++i) {
        if (!inRange(static_cast<float>(i) / 255.0F)) {
            return false;
        }
    }
    for (int i = 0; i <= kFine; ++i) {
        if (!inRange(static_cast<float>(i) / kFine)) {
            return false;
        }
    }
    return true;
}

constexpr std::array<cmsTagSignature, 3> kRgbCurves = {cmsSigRedTRCTag, cmsSigGreenTRCTag,
                                                       cmsSigBlueTRCTag};
constexpr std::array<cmsTagSignature, 3> kColorants = {cmsSigRedColorantTag,
                                                       cmsSigGreenColorantTag,
                                                       cmsSigBlueColorantTag};

// The colorants as the columns of a matrix; false when one is missing or
// out of range.
bool colorantMatrix(cmsHPROFILE profile, Matrix3& m) {
    for (std::size_t c = 0; c < 3; ++c) {
        const auto* xyz = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, kColorants[c]));
        if (xyz == nullptr) {
            return false;
        }
        for (const double v : {xyz->X, xyz->Y, xyz->Z}) {
            if (!(std::fabs(v) <= kMaxColorant)) {
                return false;
            }
        }
        m[0][c] = xyz->X, m[1][c] = xyz->Y, m[2][c] = xyz->Z;
    }
    return true;
}

// Why the curves or primaries of a matrix-and-curves (or grey) profile
// cannot serve a conversion; empty when they can, or when the profile is
// built of tables, which Little CMS evaluates and clips itself.
std::string unusableValues(cmsHPROFILE profile, SpaceCode space) {
    if (cmsIsMatrixShaper(profile) == 0) {
        return {};
    }
    const bool grey = space == code(cmsSigGrayData);
    const std::array<cmsTagSignature, 1> greyCurve = {cmsSigGrayTRCTag};
    for (const cmsTagSignature tag : grey ? std::span<const cmsTagSignature>(greyCurve)
                                          : std::span<const cmsTagSignature>(kRgbCurves)) {
        const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(profile, tag));
        if (curve == nullptr || !usableCurve(curve)) {
            return "Farbprofil mit unbrauchbarer Tonkurve, ignoriert";
        }
    }
    Matrix3 m{};
    if (!grey && (!colorantMatrix(profile, m) ||
                  !(std::fabs(determinant(m)) >= kMinColorantDeterminant))) {
        return "Farbprofil mit unbrauchbaren Primärfarben, ignoriert";
    }
    return {};
}

bool isSrgb(cmsHPROFILE profile) {
    if (spaceOf(profile) != code(cmsSigRgbData)) {
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

std::string spaceName(SpaceCode space) {
    if (space == code(cmsSigRgbData)) {
        return "RGB";
    }
    if (space == code(cmsSigGrayData)) {
        return "Graustufen";
    }
    if (space == code(cmsSigCmykData)) {
        return "CMYK";
    }
    if (space == code(cmsSigLabData)) {
        return "Lab";
    }
    return "unbekannter Farbraum";
}

// The conversion of a profile of three curves and a matrix whose black is
// zero, done here instead of by Little CMS's own matrix-and-curves path,
// which takes some 25 ns a pixel; this takes a few. It is the same
// arithmetic (the profile's curves and colorants as Little CMS reads them,
// then sRGB's colorants inverted and its curve), in single precision with
// the result looked up at 2^14 steps of linear light, where sRGB's steepest
// part (12.92 near black) moves an 8-bit value by a fifth at most between
// steps; the tests hold it within one of Little CMS's transform.
class MatrixShaper {
public:
    // `from` has passed unusableValues: its curves stay within [0, 1] up to
    // the slack, which is clipped here, and its colorants are in range.
    static std::unique_ptr<MatrixShaper> create(cmsHPROFILE from) {
        const cmsHPROFILE to = srgb();
        auto m = std::unique_ptr<MatrixShaper>(new MatrixShaper);
        Matrix3 src{};
        Matrix3 dst{};
        if (!colorantMatrix(from, src) || !colorantMatrix(to, dst)) {
            return nullptr;
        }
        for (std::size_t c = 0; c < 3; ++c) {
            const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(from, kRgbCurves[c]));
            if (curve == nullptr) {
                return nullptr;
            }
            for (int i = 0; i < 256; ++i) {
                const float v = cmsEvalToneCurveFloat(curve, static_cast<float>(i) / 255.0F);
                m->m_linear[c][static_cast<std::size_t>(i)] = std::clamp(v, 0.0F, 1.0F);
            }
        }
        Matrix3 inv{};
        if (!invert(dst, inv)) {
            return nullptr;
        }
        for (std::size_t r = 0; r < 3; ++r) {
            for (std::size_t c = 0; c < 3; ++c) {
                double sum = 0;
                for (std::size_t k = 0; k < 3; ++k) {
                    sum += inv[r][k] * src[k][c];
                }
                m->m_matrix[r][c] = static_cast<float>(sum);
            }
        }
        cmsToneCurve* encode =
            cmsReverseToneCurve(static_cast<const cmsToneCurve*>(cmsReadTag(to, cmsSigRedTRCTag)));
        if (encode == nullptr) {
            return nullptr;
        }
        for (std::size_t j = 0; j < kSteps; ++j) {
            const float v = cmsEvalToneCurveFloat(encode, static_cast<float>(j) / (kSteps - 1));
            m->m_encode[j] = static_cast<std::uint8_t>(std::clamp(std::lround(v * 255.0F), 0L, 255L));
        }
        cmsFreeToneCurve(encode);
        return m;
    }

    // One row of blue, green, red, in place.
    void convertRow(std::uint8_t* p, int width) const {
        for (int x = 0; x < width; ++x, p += 3) {
            const float r = m_linear[0][p[2]];
            const float g = m_linear[1][p[1]];
            const float b = m_linear[2][p[0]];
            p[2] = encoded(m_matrix[0][0] * r + m_matrix[0][1] * g + m_matrix[0][2] * b);
            p[1] = encoded(m_matrix[1][0] * r + m_matrix[1][1] * g + m_matrix[1][2] * b);
            p[0] = encoded(m_matrix[2][0] * r + m_matrix[2][1] * g + m_matrix[2][2] * b);
        }
    }

private:
    static constexpr std::size_t kSteps = 1U << 14;

    static bool invert(const Matrix3& a, Matrix3& out) {
        const double det = determinant(a);
        if (std::fabs(det) < 1e-12) {
            return false;
        }
        for (std::size_t r = 0; r < 3; ++r) {
            for (std::size_t c = 0; c < 3; ++c) {
                // The cofactor of (c, r), cyclically.
                const std::size_t r1 = (c + 1) % 3, r2 = (c + 2) % 3, c1 = (r + 1) % 3,
                                  c2 = (r + 2) % 3;
                out[r][c] = (a[r1][c1] * a[r2][c2] - a[r1][c2] * a[r2][c1]) / det;
            }
        }
        return true;
    }

    // The index stays within the table for any float: NaN fails both
    // comparisons and reads as 0, so no value the arithmetic could make
    // reaches the cast outside [0, 1].
    [[nodiscard]] std::uint8_t encoded(float v) const {
        const float clamped = v > 0.0F ? (v < 1.0F ? v : 1.0F) : 0.0F;
        return m_encode[static_cast<std::size_t>(clamped * (kSteps - 1) + 0.5F)];
    }

    std::array<std::array<float, 256>, 3> m_linear{};
    std::array<std::array<float, 3>, 3> m_matrix{};
    std::array<std::uint8_t, kSteps> m_encode{};
};

// A profile of three curves and a matrix has no perceptual tables, so its
// perceptual rendering is its colorimetric one, only mapped from its black
// point to sRGB's. Where that black point is zero, as with Display P3 and
// Adobe RGB, relative colorimetric gives the same pixels (checked on every
// second value of each channel: not one differs), and Little CMS then takes
// its matrix-and-curves path, three to four times faster than the table it
// builds for perceptual.
cmsUInt32Number intentFor(cmsHPROFILE from) {
    if (spaceOf(from) == code(cmsSigRgbData) && cmsIsMatrixShaper(from) != 0) {
        cmsCIEXYZ black{};
        if (cmsDetectBlackPoint(&black, from, INTENT_PERCEPTUAL, 0) != 0 && black.X == 0 &&
            black.Y == 0 && black.Z == 0) {
            return INTENT_RELATIVE_COLORIMETRIC;
        }
    }
    return INTENT_PERCEPTUAL;
}

// Without Little CMS's one-pixel cache a transform holds nothing that
// cmsDoTransform writes, so threads may share it.
Transform makeTransform(cmsHPROFILE from, cmsUInt32Number inFormat) {
    return Transform(cmsCreateTransform(from, inFormat, srgb(), TYPE_BGR_8, intentFor(from),
                                        cmsFLAGS_NOCACHE));
}

// What a profile means for the pixels, worked out once: building a transform
// takes Little CMS some milliseconds, and a batch of photographs from one
// camera carries the same profile again and again.
struct Verdict {
    // The profile's colour space; none when it could not be read.
    std::optional<SpaceCode> space;
    ColourReport report;                  // Srgb, Ignored, or Converted once applied
    std::shared_ptr<void> transform;      // set when the pixels are to be converted
    // Instead of `transform`, for the common case of curves and a matrix.
    std::shared_ptr<const MatrixShaper> matrixShaper;
};

std::shared_ptr<const Verdict> judge(std::span<const std::uint8_t> profile) {
    auto v = std::make_shared<Verdict>();
    const Profile p = openProfile(profile);
    if (!p) {
        v->report = ignored("Farbprofil beschädigt, ignoriert");
        return v;
    }
    const SpaceCode space = spaceOf(p.get());
    v->space = space;
    if (space != code(cmsSigRgbData) && space != code(cmsSigGrayData)) {
        // Refused by convertToSrgb, which knows the picture it is told of.
        return v;
    }
    if (std::string problem = unusableValues(p.get(), space); !problem.empty()) {
        v->report = ignored(std::move(problem));
        return v;
    }
    const bool grey = space == code(cmsSigGrayData);
    if (!grey && isSrgb(p.get())) {
        v->report = {ColourOutcome::Srgb, {}};
        return v;
    }
    if (!grey && intentFor(p.get()) == INTENT_RELATIVE_COLORIMETRIC) {
        v->matrixShaper = MatrixShaper::create(p.get());
        if (v->matrixShaper) {
            v->report = {ColourOutcome::Converted, {}};
            return v;
        }
    }
    Transform t = makeTransform(p.get(), grey ? TYPE_GRAY_8 : TYPE_BGR_8);
    if (!t) {
        v->report = ignored("Farbprofil nicht verwendbar, ignoriert");
        return v;
    }
    v->transform = std::shared_ptr<void>(t.release(), TransformDeleter());
    v->report = {ColourOutcome::Converted, {}};
    return v;
}

// The last few profiles' verdicts, by their bytes.
std::shared_ptr<const Verdict> cachedVerdict(std::span<const std::uint8_t> profile) {
    constexpr std::size_t kKept = 8;
    struct Entry {
        std::vector<std::uint8_t> profile;
        std::shared_ptr<const Verdict> verdict;
    };
    static std::mutex mutex;
    static std::vector<Entry> entries;  // most recently used first
    const auto same = [&](const Entry& e) {
        return std::equal(e.profile.begin(), e.profile.end(), profile.begin(), profile.end());
    };
    {
        std::lock_guard lock(mutex);
        if (const auto it = std::find_if(entries.begin(), entries.end(), same); it != entries.end()) {
            std::rotate(entries.begin(), it, it + 1);
            return entries.front().verdict;
        }
    }
    auto verdict = judge(profile);
    std::lock_guard lock(mutex);
    if (std::find_if(entries.begin(), entries.end(), same) == entries.end()) {
        entries.insert(entries.begin(), Entry{{profile.begin(), profile.end()}, verdict});
        if (entries.size() > kKept) {
            entries.pop_back();
        }
    }
    return verdict;
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

ColourReport convertToSrgb(Surface& pixels, std::span<const std::uint8_t> profile,
                           PictureChannels channels) {
    if (profile.empty()) {
        return {};
    }
    if (profile.size() > kMaxProfileBytes) {
        return ignored("Farbprofil zu groß (höchstens 4 MB), ignoriert");
    }
    const std::shared_ptr<const Verdict> verdict = cachedVerdict(profile);
    const bool grey = channels == PictureChannels::Grey;
    if (verdict->space && *verdict->space != code(grey ? cmsSigGrayData : cmsSigRgbData)) {
        // A grey profile would turn a colour picture grey; an RGB one would
        // tint a grey picture.
        return ignored("Farbprofil (" + spaceName(*verdict->space) + ") passt nicht zum " +
                       (grey ? "Graustufenbild" : "Farbbild") + ", ignoriert");
    }
    if (verdict->matrixShaper) {
        for (int y = 0; y < pixels.height(); ++y) {
            verdict->matrixShaper->convertRow(pixels.row(y), pixels.width());
        }
        return verdict->report;
    }
    if (!verdict->transform) {
        return verdict->report;
    }
    void* const t = verdict->transform.get();
    const int w = pixels.width();
    std::vector<std::uint8_t> greyRow(grey ? static_cast<std::size_t>(std::max(w, 0)) : 0);
    for (int y = 0; y < pixels.height(); ++y) {
        std::uint8_t* row = pixels.row(y);
        if (grey) {
            for (int x = 0; x < w; ++x) {
                greyRow[static_cast<std::size_t>(x)] = row[x * Surface::kBytesPerPixel];
            }
            cmsDoTransform(t, greyRow.data(), row, static_cast<cmsUInt32Number>(w));
        } else {
            // Same pixel size in and out: Little CMS converts in place.
            cmsDoTransform(t, row, row, static_cast<cmsUInt32Number>(w));
        }
    }
    return verdict->report;
}

bool isGreyProfile(std::span<const std::uint8_t> profile) noexcept {
    // The data colour space, bytes 16 to 19 of the 128-byte header.
    constexpr std::size_t kSpaceAt = 16;
    return profile.size() >= 128 && std::memcmp(profile.data() + kSpaceAt, "GRAY", 4) == 0;
}

std::unique_ptr<CmykToSrgb> CmykToSrgb::create(std::span<const std::uint8_t> profile,
                                               bool inverted, std::string& problem) {
    const Profile p = openProfile(profile);
    if (!p) {
        problem = profile.size() > kMaxProfileBytes ? "Farbprofil zu groß (höchstens 4 MB), ignoriert"
                                                    : "Farbprofil beschädigt, ignoriert";
        return nullptr;
    }
    const SpaceCode space = spaceOf(p.get());
    if (space != code(cmsSigCmykData)) {
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
