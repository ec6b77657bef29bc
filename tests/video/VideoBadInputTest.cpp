// Files that are missing, not Ogg Theora, cut short or damaged: the manager
// refuses them or the clip ends early; nothing crashes or plays forever.
#include <ogg/ogg.h>

#include <random>

#include "video/VideoTestUtil.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

class VideoBadInput : public VideoTest {
protected:
    // Null, or a clip that finishes within a bounded number of ticks.
    void ExpectRefusedOrEnds(const std::string& bytes, const std::string& what) {
        std::string path = mDir.file("bad.ogg");
        WriteFile(path, bytes);
        TheoraVideoClip* clip = mManager.createVideoClip(path);
        if (!clip) {
            EXPECT_FALSE(mManager.getLastError().empty()) << what;
            return;
        }
        EXPECT_GT(clip->mWidth, 0) << what;
        EXPECT_GT(clip->mHeight, 0) << what;
        EXPECT_NE(-1, PlayOut(mManager, clip, 0.1f, 400)) << what << " never ends";
        mManager.destroyVideoClip(clip);
    }
};

// The pages of an Ogg file, each as its own bytes.
std::vector<std::string> SplitPages(const std::string& file) {
    std::vector<std::string> pages;
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    char* buffer = ogg_sync_buffer(&sync, static_cast<long>(file.size()));
    memcpy(buffer, file.data(), file.size());
    ogg_sync_wrote(&sync, static_cast<long>(file.size()));
    ogg_page page;
    while (ogg_sync_pageout(&sync, &page) == 1) {
        std::string p(reinterpret_cast<char*>(page.header), static_cast<size_t>(page.header_len));
        p.append(reinterpret_cast<char*>(page.body), static_cast<size_t>(page.body_len));
        pages.push_back(p);
    }
    ogg_sync_clear(&sync);
    return pages;
}

// Flips one bit of a page body and fixes the page checksum, so the damage
// reaches the decoders instead of being dropped by the demultiplexer.
std::string FlipInsidePage(std::string page, size_t bit) {
    ogg_page p;
    p.header = reinterpret_cast<unsigned char*>(&page[0]);
    p.header_len = 27 + static_cast<unsigned char>(page[26]);
    p.body = p.header + p.header_len;
    p.body_len = static_cast<long>(page.size()) - p.header_len;
    if (p.body_len <= 0) return page;
    p.body[(bit / 8) % static_cast<size_t>(p.body_len)] ^= static_cast<unsigned char>(1u << (bit % 8));
    ogg_page_checksum_set(&p);
    return page;
}

TEST_F(VideoBadInput, FilesThatAreNotOggTheoraAreRefused) {
    EXPECT_EQ(nullptr, mManager.createVideoClip(mDir.file("missing.ogg")));
    EXPECT_NE(std::string::npos, mManager.getLastError().find("cannot open")) << mManager.getLastError();

    WriteFile(mDir.file("empty.ogg"), "");
    EXPECT_EQ(nullptr, mManager.createVideoClip(mDir.file("empty.ogg")));
    EXPECT_NE(std::string::npos, mManager.getLastError().find("empty file"));

    WriteFile(mDir.file("text.ogg"), std::string(100000, 'x'));
    EXPECT_EQ(nullptr, mManager.createVideoClip(mDir.file("text.ogg")));
    EXPECT_NE(std::string::npos, mManager.getLastError().find("no Ogg Theora stream"));

    ClipSettings soundOnly = SolidClip(kTenColours);
    soundOnly.withVideo = false;
    soundOnly.audioRate = 8000;
    soundOnly.audioSeconds = 0.5;
    EXPECT_EQ(nullptr, mManager.createVideoClip(Write("sound.ogg", soundOnly)));
    EXPECT_NE(std::string::npos, mManager.getLastError().find("no Ogg Theora stream"));

    EXPECT_EQ(nullptr, mManager.createVideoClip(mDir.path()));  // a folder
    EXPECT_EQ(0, mManager.getClipCount());
}

TEST_F(VideoBadInput, HugePicturesAreRefusedBeforeAnythingIsAllocated) {
    ClipSettings settings = SolidClip({{1, 2, 3}});
    settings.patchIdHeader = [](std::vector<unsigned char>& h) {
        // Frame of 4096 x 4096 macroblocks, picture of 65536 x 65536 pixels.
        h[10] = 0x10, h[11] = 0x00, h[12] = 0x10, h[13] = 0x00;
        h[14] = 0x01, h[15] = 0x00, h[16] = 0x00;
        h[17] = 0x01, h[18] = 0x00, h[19] = 0x00;
        h[20] = 0, h[21] = 0;
    };
    EXPECT_EQ(nullptr, mManager.createVideoClip(Write("huge.ogg", settings)));
    EXPECT_NE(std::string::npos, mManager.getLastError().find("picture too large")) << mManager.getLastError();
}

TEST_F(VideoBadInput, TruncatedFilesAreRefusedOrEndEarly) {
    const std::string whole = MakeOggTheora(SolidClip(kTenColours));
    const std::string withSound = [] {
        ClipSettings s = SolidClip(kTenColours);
        s.audioRate = 11025;
        s.audioSeconds = 1.0;
        return MakeOggTheora(s);
    }();
    for (const std::string* file : {&whole, &withSound}) {
        int refused = 0;
        for (size_t len = 0; len < file->size(); len += std::max<size_t>(1, file->size() / 60)) {
            std::string path = mDir.file("cut.ogg");
            WriteFile(path, file->substr(0, len));
            TheoraVideoClip* clip = mManager.createVideoClip(path);
            if (!clip) {
                ++refused;
                continue;
            }
            int ticks = PlayOut(mManager, clip, 0.1f, 400);
            EXPECT_NE(-1, ticks) << len;
            // Cut before its last page, the sound track loses its exact end
            // and may play out its final block: one tick more at most.
            EXPECT_LE(ticks, file == &whole ? 10 : 11) << "cut at " << len << " bytes";
            mManager.destroyVideoClip(clip);
        }
        EXPECT_GT(refused, 0);
    }
}

TEST_F(VideoBadInput, CorruptPacketsAndPagesNeverCrashOrHang) {
    ClipSettings settings = SolidClip(kTenColours);
    settings.paint = [](int f, int x, int y) { return Rgb{(x * 8 + f * 20) % 256, (y * 10) % 256, (x * y) % 256}; };
    settings.audioRate = 11025;
    settings.audioSeconds = 1.0;
    const std::string file = MakeOggTheora(settings);
    const std::vector<std::string> pages = SplitPages(file);
    ASSERT_GT(pages.size(), 10u);
    std::mt19937 rng(20261209);
    for (int round = 0; round < 160; ++round) {
        std::string damaged;
        if (round % 4 == 0) {
            // Raw bit flips anywhere: most damaged pages fail their checksum.
            damaged = file;
            for (int k = 0; k < 1 + round % 7; ++k) damaged[rng() % damaged.size()] ^= static_cast<char>(1 << (rng() % 8));
        } else {
            // Flips inside pages with fixed checksums, headers included.
            std::vector<std::string> p = pages;
            size_t victim = rng() % p.size();
            for (int k = 0; k < 1 + round % 3; ++k) p[victim] = FlipInsidePage(p[victim], rng());
            if (round % 5 == 0) p.erase(p.begin() + static_cast<long>(rng() % p.size()));  // a lost page
            for (const std::string& s : p) damaged += s;
        }
        ExpectRefusedOrEnds(damaged, "round " + std::to_string(round));
    }
}

TEST_F(VideoBadInput, GarbageAroundTheStreamIsSkipped) {
    const std::string file = MakeOggTheora(SolidClip(kTenColours));
    std::string noisy = std::string(5000, '\x01') + file;
    // Garbage between pages too.
    std::vector<std::string> pages = SplitPages(file);
    std::string interleaved;
    for (const std::string& p : pages) interleaved += p + "OggSjunk";
    for (const std::string& bytes : {noisy, interleaved}) {
        std::string path = mDir.file("noisy.ogg");
        WriteFile(path, bytes);
        TheoraVideoClip* clip = mManager.createVideoClip(path);
        ASSERT_NE(nullptr, clip) << mManager.getLastError();
        EXPECT_TRUE(IsSolid(clip->getNextFrame(), kTenColours[0]));
        EXPECT_EQ(10, PlayOut(mManager, clip));
        mManager.destroyVideoClip(clip);
    }
}

}  // namespace
