// A game driven only by its script: the test game folder's
// "scripts\gamelogic.lua" runs a timer, draws, loads its layout, keeps an
// INI file, logs, exchanges messages with a loopback game server, downloads
// a file from a loopback HTTP server and closes the window. The test checks
// what the script left behind.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <string>

#include "gui/controls/Kest2dGUIGameCard.h"
#include "gui/controls/Kest2dGUIStatic.h"
#include "platform/KesRenderDevice.h"
#include "update/LoopbackHttpServer.h"
#include "net/NetSupport.h"
#include "support/FrameFixture.h"

namespace kest2d {
namespace test {
namespace {

// The plain frame; the download state message is dispatched here until the
// frame's own message translation does it.
class GameFrame : public PlainFrame {
public:
    ~GameFrame() override { StopDownloads(); }
    bool PreTranslateMessage(MSG* msg) override {
        if (msg->message == KES_WM_DOWNLOAD_STATE) {
            OnProcessUpdateState();
            return true;
        }
        return PlainFrame::PreTranslateMessage(msg);
    }
};

class ScriptGame : public FrameFixture {
protected:
    void CopyGame() {
        std::filesystem::copy(std::string(KEST2D_TEST_DATA_DIR) + "/scriptgame", mGame->path(),
                              std::filesystem::copy_options::recursive);
    }
    std::string Ini() const { return ReadFile(GamePath("game.ini")); }
};

// A 24- or 32-bit bottom-up bitmap: its width, and the 0xRRGGBB colour of
// pixel (x, y) counted from the top (0xFFFFFFFF when there is none).
int32_t Le32(const std::string& b, size_t at) {
    if (b.size() < at + 4) return 0;
    return static_cast<int32_t>(static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8) |
                                (static_cast<unsigned char>(b[at + 2]) << 16) |
                                (static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24));
}
int BmpWidth(const std::string& b) { return b.substr(0, 2) == "BM" ? Le32(b, 18) : 0; }
uint32_t BmpPixel(const std::string& b, int x, int y) {
    const int width = BmpWidth(b);
    const int height = Le32(b, 22);
    const int bytes = b.size() >= 30 ? static_cast<unsigned char>(b[28]) / 8 : 0;
    if (width <= 0 || (bytes != 3 && bytes != 4) || x >= width || y >= std::abs(height)) return 0xFFFFFFFFu;
    const size_t stride = (static_cast<size_t>(width) * bytes + 3) / 4 * 4;
    const int row = height > 0 ? height - 1 - y : y;
    const size_t at = static_cast<size_t>(Le32(b, 10)) + stride * row + static_cast<size_t>(x) * bytes;
    if (b.size() < at + 3) return 0xFFFFFFFFu;
    return static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8) |
           (static_cast<uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16);
}

// The game server: reads the player's hello and answers with a welcome.
std::string ServeOneGame(const LoopbackListener& listener) {
    int fd = listener.Accept();
    if (fd < 0) return "no connection";
    std::string hello = ServerDecipher(RecvExact(fd, 4));
    const size_t nameLength =
        hello.size() == 4 ? (static_cast<unsigned char>(hello[2]) << 8) | static_cast<unsigned char>(hello[3]) : 0;
    hello += ServerDecipher(RecvExact(fd, nameLength));
    CKesMessageIn in(hello.data(), static_cast<int>(hello.size()));
    if (in.getId() != 0x0101) {
        ::close(fd);
        return "unexpected message";
    }
    const std::string name = in.readString(-1);
    CKesMessageOut welcome(0x0102);
    welcome.writeString("welcome " + name, -1);
    SendAll(fd, ServerEncipher(Bytes(welcome)));
    WaitForEnd(fd);
    ::close(fd);
    return name;
}

TEST_F(ScriptGame, TheScriptPlaysAWholeGameAndClosesTheWindow) {
    CopyGame();
    LoopbackListener listener;
    ASSERT_TRUE(listener.ok());
    LoopbackHttpServer http;
    http.Ok("/files/data.txt", "downloaded by the script");
    auto server = std::async(std::launch::async, [&listener] { return ServeOneGame(listener); });

    CKesBaseFrame* f =
        StartFrame<GameFrame>("port$" + std::to_string(listener.port()) + "&url$" + http.url("/files/data.txt"));
    // The layout of the script's top-level code is loaded before the loop runs.
    EXPECT_EQ(640, f->GetAbsoluteRect().getWidth());

    EXPECT_EQ(10009, f->DoModal());
    EXPECT_EQ("guest", server.get());

    EXPECT_EQ("downloaded by the script", ReadFile(GamePath("data.txt")));
    const std::string ini = Ini();
    EXPECT_NE(std::string::npos, ini.find("runs=1")) << ini;
    EXPECT_NE(std::string::npos, ini.find("name=guest")) << ini;
    EXPECT_NE(std::string::npos, ini.find("volume=0.5")) << ini;
    EXPECT_NE(std::string::npos, ini.find("width=640")) << ini;
    EXPECT_NE(std::string::npos, ini.find("reply=welcome guest")) << ini;
    EXPECT_NE(std::string::npos, ini.find("file=true")) << ini;
    EXPECT_EQ(std::string::npos, ini.find("ticks=0")) << ini;
    // The screenshot shows the layout's background over the whole window.
    EXPECT_NE(std::string::npos, ini.find("file=shot.bmp")) << ini;
    const std::string shot = ReadFile(GamePath("shot.bmp"));
    EXPECT_EQ(0x208040u, BmpPixel(shot, 320, 240));
    EXPECT_EQ(0x208040u, BmpPixel(shot, 5, 470));

    const std::string log = ReadLog();
    EXPECT_NE(std::string::npos, log.find("game: layout true 640x480 [Script g]")) << log;
    EXPECT_NE(std::string::npos, log.find("game: connect true")) << log;
    EXPECT_NE(std::string::npos, log.find("game: reply welcome guest")) << log;
    EXPECT_NE(std::string::npos, log.find("game: done with 10009")) << log;
    EXPECT_EQ(std::string::npos, log.find(Gbk("失败"))) << log;
    if (HasFailure()) std::printf("%s\n", log.c_str());
}

TEST_F(ScriptGame, ASecondRunReadsWhatTheFirstWrote) {
    CopyGame();
    WriteFile(GamePath("game.ini"), "[player]\nruns=4\nname=ann\n");
    LoopbackListener listener;
    LoopbackHttpServer http;
    http.Ok("/files/data.txt", "again");
    auto server = std::async(std::launch::async, [&listener] { return ServeOneGame(listener); });
    CKesBaseFrame* f =
        StartFrame<GameFrame>("port$" + std::to_string(listener.port()) + "&url$" + http.url("/files/data.txt"));
    EXPECT_EQ(10009, f->DoModal());
    EXPECT_EQ("ann", server.get().substr(0, 3));
    const std::string ini = Ini();
    EXPECT_NE(std::string::npos, ini.find("runs=5")) << ini;
}

// The sample game (examples/demo) against the example server, played through
// the whole GUI tree as the window's input would: the dealt hand shows in the
// card control, a click raises a card, the play button sends it and the
// server's answer is shown; Esc then ends the game.
class PlayerFrame : public PlayerInput<GameFrame> {};

TEST_F(ScriptGame, TheSampleGameShowsTheDealtHandAndPlaysAClickedCard) {
    std::filesystem::copy(std::string(KEST2D_SOURCE_DIR) + "/examples/demo", mGame->path(),
                          std::filesystem::copy_options::recursive);
    // Esc leaves the table after the last click, whether that was on a card
    // or on the play button.
    for (const bool play : {false, true}) {
        SCOPED_TRACE(play ? "Esc after the play button" : "Esc after a card");
        ExampleTableServer server;
        ASSERT_GT(server.port(), 0);
        PlayerFrame* f = StartFrame<PlayerFrame>("port$" + std::to_string(server.port()));
        auto* hand = dynamic_cast<CKesGUIGameCard*>(f->FindControlById(300));
        auto* status = dynamic_cast<CKesGUIStatic*>(f->FindControlById(102));
        ASSERT_TRUE(hand && status);
        EXPECT_TRUE(PumpUntil([&] { return hand->GetCardCount() == 17; })) << ReadLog();

        // The hand is drawn from the face sheet: 17 cards 30 pixels apart,
        // centred in the control (20, 360)-(780, 464), lowered by 20 pixels.
        platform::RunFor(100);  // frames drawn on the virtual clock
        platform::KesRenderDevice& device = *f->GetRenderDevice();
        const int left = 20 + 760 / 2 - (16 * 30 + 60) / 2;
        for (int i = 0; i < 17; ++i)  // the white of each card's left strip
            EXPECT_EQ(0xFFFFFFu, device.ReadPixel(left + i * 30 + 3, 450) & 0xFFFFFFu) << "card " << i;
        EXPECT_NE(0xFFFFFFu, device.ReadPixel(left - 5, 450) & 0xFFFFFFu);

        const int first = hand->GetCardDataByIndex(0);
        f->Click(left + 10, 430);
        ASSERT_EQ(1, hand->GetSelectedCards().size());
        EXPECT_EQ(first, hand->GetSelectedCards()[0]);
        EXPECT_NE(std::string::npos, status->GetText().find(Gbk("单张"))) << status->GetText();

        if (play) {
            f->Click(400, 520);  // the play button
            EXPECT_TRUE(PumpUntil([&] { return status->GetText().find(Gbk("还剩 16 张")) != std::string::npos; }))
                << ReadLog();
            EXPECT_EQ(16, hand->GetCardCount());
            for (int i = 0; i < hand->GetCardCount(); ++i) EXPECT_NE(first, hand->GetCardDataByIndex(i));
        }
        EXPECT_EQ(10009, f->RunTheLoop(VK_ESCAPE));

        mFrame.reset();  // the game leaves the table
        std::string output;
        EXPECT_TRUE(server.Finish(&output)) << output;
        EXPECT_EQ(play, output.find("client plays ") != std::string::npos) << output;
    }
}

}  // namespace
}  // namespace test
}  // namespace kest2d
