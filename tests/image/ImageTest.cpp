// The image control: still pictures with their source rectangle and tint,
// GIF animations played on the virtual clock with their disposal methods,
// pictures fetched over HTTP into "download\", and hostile addresses.
#include <sys/stat.h>

#include <chrono>

#include "image/ImageFixture.h"
#include "platform/KesImage.h"
#include "render/ScansJpeg.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

class ImageTest : public ImageFixture {};

TEST_F(ImageTest, StillImageFillsTheControlFromItsSourceRectangle) {
    // Left half red, right half green; the layout's parameter starts the
    // source at x = 2, so only the green half is stretched over the control.
    WriteFile(GamePath("img/halves.tga"), Tga(4, 4, [](int x, int) { return x < 2 ? kRed : kGreen; }));
    CKesGUIImage* img = StartWithImage({{"background", "IMG\\Halves.TGA"}, {"parameter", "2;0;9;9"}});
    ASSERT_NE(nullptr, img);
    EXPECT_EQ(KESGUT_IMAGE, img->GetType());
    EXPECT_EQ("img\\halves.tga", img->GetImagePath());
    EXPECT_EQ(CKesGUIImage::IMAGE_STILL, img->GetImageKind());
    int l, t, r, b;
    img->GetSrcStartPos(&l, &t);
    img->GetSrcHeightAndWidth(&r, &b);
    EXPECT_EQ(2, l);
    EXPECT_EQ(0, t);
    EXPECT_EQ(4, r);  // the picture's size replaces the layout's right and bottom
    EXPECT_EQ(4, b);
    DrawGui();
    EXPECT_EQ(kGreen, Px(101, 101));
    EXPECT_EQ(kGreen, Px(138, 138));
    EXPECT_EQ(kBlack, Px(99, 120));
    EXPECT_EQ(kBlack, Px(141, 120));

    // A tint colours the picture.
    img->SetColor(CKesColor(0xFF0000FFu));
    DrawGui();
    EXPECT_EQ(0xFF000000u, Px(120, 120));
}

TEST_F(ImageTest, ImageWithoutPictureOrFrameDrawsNothingAndHandsEventsOn) {
    CKesGUIImage* img = StartWithImage();
    ASSERT_NE(nullptr, img);
    int r, b;
    img->GetSrcHeightAndWidth(&r, &b);
    EXPECT_EQ(40, r);
    EXPECT_EQ(40, b);
    DrawGui();
    EXPECT_EQ(0, Ink(CKesRect<int>(90, 90, 150, 150)));

    CKesGUIImage loose;
    EXPECT_EQ(KESGUI_COUNT, loose.GetType());
    EXPECT_TRUE(loose.OnProcessEvent(Press(1, 1)));
    loose.OnProcessLostFocusEvent(Press(1, 1));
    loose.SetImagePath("img\\none.tga");  // no frame: ignored
    EXPECT_EQ("", loose.GetImagePath());
    loose.Draw();
}

TEST_F(ImageTest, GifFramesAdvanceOnTheClockWithTheirDisposal) {
    WriteFile(GamePath("img/anim.gif"), Animation());
    CKesGUIImage* img = StartWithImage({{"background", "img\\anim.gif"}});
    ASSERT_NE(nullptr, img);
    ASSERT_EQ(CKesGUIImage::IMAGE_GIF, img->GetImageKind());
    ASSERT_EQ(4, img->GetFrameCount());
    EXPECT_EQ(20, img->GetScreenWidth());
    // The 20 x 20 screen is centred in the 40 x 40 control: it starts at (110, 110).
    DrawGui();
    EXPECT_EQ(0, img->GetCurrentFrame());
    EXPECT_EQ(kRed, Px(110, 110));
    EXPECT_EQ(kRed, Px(129, 129));
    EXPECT_EQ(kBlack, Px(109, 120));
    EXPECT_EQ(kBlack, Px(130, 120));

    // 50 ms is not yet past; one more millisecond is.
    platform::AdvanceClock(50);
    DrawGui();
    EXPECT_EQ(0, img->GetCurrentFrame());
    platform::AdvanceClock(1);
    DrawGui();
    ASSERT_EQ(1, img->GetCurrentFrame());
    // Frame 1 lies over frame 0; its transparent half shows frame 0.
    EXPECT_EQ(kGreen, Px(111, 111));
    EXPECT_EQ(kRed, Px(117, 111));
    EXPECT_EQ(kRed, Px(125, 125));

    // A delay of 0 plays as 100 ms, counted from the draw after the switch.
    DrawGui();
    platform::AdvanceClock(100);
    DrawGui();
    EXPECT_EQ(1, img->GetCurrentFrame());
    platform::AdvanceClock(1);
    DrawGui();
    ASSERT_EQ(2, img->GetCurrentFrame());
    // Disposal 2: only the current frame.
    EXPECT_EQ(kBlue, Px(125, 125));
    EXPECT_EQ(kBlack, Px(111, 111));
    EXPECT_EQ(100, Ink(CKesRect<int>(100, 100, 140, 140)));

    DrawGui();
    platform::AdvanceClock(51);
    DrawGui();
    ASSERT_EQ(3, img->GetCurrentFrame());
    // Disposal 3 leaves the control empty while it is current.
    EXPECT_EQ(0, Ink(CKesRect<int>(100, 100, 140, 140)));

    DrawGui();
    platform::AdvanceClock(51);
    DrawGui();
    EXPECT_EQ(0, img->GetCurrentFrame());
    EXPECT_EQ(kRed, Px(125, 125));
}

TEST_F(ImageTest, ReloadingAGifFreesTheOldFrameTextures) {
    WriteFile(GamePath("img/anim.gif"), Animation());
    WriteFile(GamePath("img/still.tga"), Plain(2, 2, kBlue));
    CKesGUIImage* img = StartWithImage({{"background", "img\\anim.gif"}});
    ASSERT_NE(nullptr, img);
    const std::vector<KesImageFrame> first = img->GetFrames();
    ASSERT_EQ(4u, first.size());
    for (const KesImageFrame& fr : first) EXPECT_GT(f->GetTextureWidth(fr.texture), 0);
    img->SetImagePath("img\\anim.gif");
    ASSERT_EQ(4, img->GetFrameCount());
    for (const KesImageFrame& fr : first) EXPECT_EQ(0, f->GetTextureWidth(fr.texture));
    // Deleting the control frees its frames too.
    const std::vector<KesImageFrame> second = img->GetFrames();
    delete img;
    for (const KesImageFrame& fr : second) EXPECT_EQ(0, f->GetTextureWidth(fr.texture));
}

TEST_F(ImageTest, BrokenGifIsLoggedAndDrawsNothing) {
    WriteFile(GamePath("img/bad.gif"), "GIF89a and then nonsense");
    CKesGUIImage* img = StartWithImage({{"background", "img\\Bad.gif"}});
    ASSERT_NE(nullptr, img);
    EXPECT_EQ(CKesGUIImage::IMAGE_GIF, img->GetImageKind());
    EXPECT_EQ(0, img->GetFrameCount());
    EXPECT_TRUE(Logged("GIF文件:img\\bad.gif读取失败!"));
    DrawGui();
    EXPECT_EQ(0, Ink(CKesRect<int>(100, 100, 140, 140)));
    // The decoder is usable again afterwards.
    WriteFile(GamePath("img/anim.gif"), Animation());
    EXPECT_TRUE(img->LoadImageFromFile("img\\anim.gif"));
    EXPECT_EQ(4, img->GetFrameCount());
}

TEST_F(ImageTest, FramesTakeTheirOwnColourTableOrTheFirstFramesOne) {
    using namespace giftest;
    // No global table: frame 0's table colours frame 1 too, unless frame 1
    // brings its own.
    Image red = Solid(0, 0, 4, 4, 1);
    red.local = Primaries();
    Image second = Solid(0, 0, 4, 4, 2);
    Image own = Solid(0, 0, 4, 4, 1);
    own.local = {{0, 0, 0}, {0, 0, 255}};
    WriteFile(GamePath("img/local.gif"), Screen(4, 4, nullptr) + Gce(2, 1) + ImageBlock(red, 0) + Gce(2, 1) +
                                             ImageBlock(second, 4) + Gce(2, 1) + ImageBlock(own, 0) + ";");
    CKesGUIImage* img = StartWithImage({{"background", "img\\local.gif"}});
    ASSERT_NE(nullptr, img);
    ASSERT_EQ(3, img->GetFrameCount());
    const DWORD expected[] = {kRed, kGreen, kBlue};
    for (int i = 0; i < 3; ++i) {
        DrawGui();
        EXPECT_EQ(i, img->GetCurrentFrame());
        EXPECT_EQ(expected[i], Px(120, 120)) << i;
        platform::AdvanceClock(11);
        DrawGui();
    }

    // No table anywhere: no frames, and the decoder is free for the next file.
    WriteFile(GamePath("img/bare.gif"), Screen(4, 4, nullptr) + ImageBlock(Solid(0, 0, 4, 4, 1), 4) + ";");
    EXPECT_FALSE(img->LoadImageFromFile("img\\bare.gif"));
    EXPECT_EQ(3, img->GetFrameCount());
    WriteFile(GamePath("img/anim.gif"), Animation());
    EXPECT_TRUE(img->LoadImageFromFile("img\\anim.gif"));
    EXPECT_EQ(4, img->GetFrameCount());
}

TEST(ConnectedState, OverrideAndSystemAnswer) {
    platform::SetConnectedStateOverride(1);
    DWORD flags = 7;
    EXPECT_TRUE(platform::InternetGetConnectedState(&flags, 0));
    EXPECT_EQ(0u, flags);
    platform::SetConnectedStateOverride(0);
    EXPECT_FALSE(platform::InternetGetConnectedState(nullptr, 0));
    platform::SetConnectedStateOverride(-1);
    platform::InternetGetConnectedState(nullptr, 0);  // whatever the machine has, it answers
}

TEST_F(ImageTest, AddressWhoseFileIsAlreadyDownloadedShowsAtOnce) {
    WriteFile(GamePath("download/cached.tga"), Plain(2, 2, kGreen));
    CKesGUIImage* img = StartWithImage({{"background", "http://127.0.0.1:9/pics/Cached.tga"}});
    ASSERT_NE(nullptr, img);
    EXPECT_FALSE(img->IsImageDownloading());
    EXPECT_EQ("http://127.0.0.1:9/pics/cached.tga", img->GetImagePath());
    EXPECT_TRUE(img->IsImageLoaded());
    DrawGui();
    EXPECT_EQ(kGreen, Px(120, 120));
    // A stranger's picture of more scans than a JPEG may hold is refused at
    // once, with the texture table's line, and shows nothing.
    WriteFile(GamePath("download/slow.jpg"), ScansJpeg(8192, 8192, 3, platform::kMaxJpegScans + 1));
    const auto start = std::chrono::steady_clock::now();
    img->SetImagePath("http://127.0.0.1:9/pics/slow.jpg");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_TRUE(Logged("不能导入纹理:download\\slow.jpg"));
    DrawGui();
    EXPECT_EQ(0, Ink(CKesRect<int>(100, 100, 140, 140)));
}

TEST_F(ImageTest, AddressWithoutConnectionDoesNothing) {
    CKesGUIImage* img = StartWithImage();
    img->SetImagePath("http://127.0.0.1:9/pics/far.tga");
    EXPECT_FALSE(img->IsImageDownloading());
    EXPECT_FALSE(img->IsImageLoaded());
    EXPECT_EQ("", img->GetImagePath());
}

TEST_F(ImageTest, GifFetchedOverHttpIsStoredAndPlayed) {
    LoopbackHttpServer server;
    // The address answers with a redirect to where the picture lies.
    server.Redirect("/pics/anim.gif", 302, "/store/anim.gif");
    server.Ok("/store/anim.gif", Animation());
    platform::SetConnectedStateOverride(1);
    CKesGUIImage* img = StartWithImage();
    ASSERT_NE(nullptr, img);
    const mode_t umaskBefore = umask(022);
    img->SetImagePath(server.url("/pics/ANIM.gif"));
    EXPECT_TRUE(img->IsImageLoaded());
    ASSERT_TRUE(PumpUntil([&] { return !img->IsImageDownloading(); }));
    umask(umaskBefore);
    EXPECT_EQ(Animation(), ReadFile(GamePath("download/anim.gif")));
    EXPECT_EQ(0644, FileMode(GamePath("download/anim.gif")));  // as the umask of 022 leaves it
    // The picture is taken at the next draw.
    DrawGui();
    ASSERT_EQ(4, img->GetFrameCount());
    EXPECT_EQ(kRed, Px(125, 125));
    img->LockImageDownload();
    DrawGui();
    img->UnlockImageDownload();
    EXPECT_EQ(1, server.CountRequests("/pics/anim.gif"));
    // Set again: the local copy serves it.
    img->SetImagePath(server.url("/pics/anim.gif"));
    EXPECT_FALSE(img->IsImageDownloading());
    EXPECT_EQ(1, server.CountRequests("/pics/anim.gif"));
}

TEST_F(ImageTest, SecondAddressWhileDownloadingOnlyLogs) {
    LoopbackHttpServer server;
    server.Set("/slow.tga", LoopbackHttpServer::Route{LoopbackHttpServer::Mode::Trickle, 200, Plain(8, 8, kBlue)});
    server.Ok("/other.tga", Plain(2, 2, kGreen));
    platform::SetConnectedStateOverride(1);
    CKesGUIImage* img = StartWithImage();
    ASSERT_NE(nullptr, img);
    img->SetImagePath(server.url("/slow.tga"));
    ASSERT_TRUE(img->IsImageDownloading());
    ASSERT_TRUE(PumpUntil([&] { return server.CountRequests("/slow.tga") == 1; }));
    img->SetImagePath(server.url("/other.tga"));
    EXPECT_TRUE(Logged("正在下载图片:" + server.url("/other.tga") + ",请稍后。"));
    EXPECT_EQ(server.url("/slow.tga"), img->GetImagePath());
    EXPECT_TRUE(img->IsImageDownloading());
    EXPECT_EQ(0, server.CountRequests("/other.tga"));

    // Deleting the control ends its download and joins the worker.
    delete img;
    EXPECT_EQ(nullptr, Find<CKesGUIImage>(1));
    EXPECT_FALSE(PathExists(GamePath("download/slow.tga")));
}

TEST_F(ImageTest, FrameClosingWhileDownloadingJoinsTheWorker) {
    LoopbackHttpServer server;
    server.Set("/slow.gif", LoopbackHttpServer::Route{LoopbackHttpServer::Mode::Trickle, 200, Animation()});
    platform::SetConnectedStateOverride(1);
    CKesGUIImage* img = StartWithImage();
    ASSERT_NE(nullptr, img);
    img->SetImagePath(server.url("/slow.gif"));
    ASSERT_TRUE(PumpUntil([&] { return server.CountRequests("/slow.gif") == 1; }));
    mFrame.reset();
    f = nullptr;
    EXPECT_FALSE(PathExists(GamePath("download/slow.gif")));
}

TEST_F(ImageTest, HostileAddressesNeverLeaveTheDownloadFolder) {
    LoopbackHttpServer server;
    server.EchoUnder("/");
    WriteFile(GamePath("secret.tga"), Plain(2, 2, kRed));
    WriteFile(GamePath("download/x/inner.tga"), Plain(2, 2, kRed));
    platform::SetConnectedStateOverride(1);
    CKesGUIImage* img = StartWithImage();
    ASSERT_NE(nullptr, img);
    const std::string hostile[] = {
        server.url("/..\\secret.tga"), server.url("/x\\inner.tga"), server.url("/"), server.url("/.."),
        "http://c:secret.tga", server.url("/a\x01.tga"),
    };
    for (const std::string& address : hostile) {
        img->SetImagePath(address);
        EXPECT_FALSE(img->IsImageDownloading()) << address;
        EXPECT_FALSE(img->IsImageLoaded()) << address;
        EXPECT_EQ(0u, img->GetBgImage()) << address;
    }
    EXPECT_TRUE(Logged("下载文件名不合法, 拒绝:"));
    EXPECT_TRUE(server.requests().empty());
    DrawGui();
    EXPECT_EQ(0, Ink(CKesRect<int>(100, 100, 140, 140)));

    // A file that is no picture is logged and leaves the control empty.
    img->SetImagePath(server.url("/missing.tga"));
    ASSERT_TRUE(PumpUntil([&] { return !img->IsImageDownloading(); }));
    EXPECT_EQ(server.url("/missing.tga"), img->GetImagePath());
    DrawGui();
    EXPECT_EQ(0, Ink(CKesRect<int>(100, 100, 140, 140)));
    EXPECT_EQ(0u, img->GetBgImage());
    EXPECT_TRUE(Logged("不能导入纹理:download\\missing.tga"));
}

}  // namespace
