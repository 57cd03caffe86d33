#include "foundation/image/CamSource.h"
#include "foundation/image/DynaCam.h"
#include "foundation/image/ImageSourceFactory.h"
#include "image_test_util.h"
#include "log_capture.h"

#include <gtest/gtest.h>

#include <QImage>

namespace {

struct PluginFolder {
    explicit PluginFolder(const char* folder) { SetCameraPluginFolder(folder); }
    ~PluginFolder() { SetCameraPluginFolder(""); }
};

TEST(ImageSourceKind, NamesPickTheirSourceInRowOrder)
{
    const struct {
        const char* name;
        int kind;
    } cases[] = {
        {"clip.avi", 1}, {"clip.mpg", 1}, {"frames.seq", 2}, {"c:\\frames", 3}, {"picture.bmp", 4},
        {"cam.ini", 5}, {"localhost", 5}, {"192.168.0.7", 5}, {"fe80::1:2", 5}, {"grab.nok", 6},
        // earlier rows win: a camera file over a video, a network name over a video
        {"setup.ini.avi", 5}, {"10.0.0.1/clip.avi", 5}, {"clip.avi.nok", 1}, {"frames.seq.nok", 6},
        // two dots are no network address; a dotted folder still has no extension
        {"my.picture.bmp", 4}, {"c:\\v1.2\\frames", 3},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ImageSourceKind(c.name), c.kind) << c.name;
}

TEST(CameraModuleFor, FirstMatchingRowCaseSensitive)
{
    EXPECT_EQ(CameraModuleFor("a.pip.ini"), "Drummelow.dll");
    EXPECT_EQ(CameraModuleFor("C:\\Frames"), "Fenwarrick.dll");
    EXPECT_EQ(CameraModuleFor("x.seq"), "Ulvarrick.dll");
    EXPECT_EQ(CameraModuleFor("10.1.2.3"), "Sorrelwick.dll");
    EXPECT_EQ(CameraModuleFor("Cam.INI"), "");  // the factory lower-cases before
    EXPECT_EQ(CameraModuleFor("photo.bmp"), "");
}

TEST(DynaCam, BindsAndCallsOurModule)
{
    PluginFolder folder(QM_PLUGIN_DIR);
    CDynaCam* cam = nullptr;
    ASSERT_TRUE(CreateCameraPlugin(&cam, 0, 0, "frames.seq", 16, 8, 1, 24));
    ASSERT_NE(cam, nullptr);
    int w = 0, h = 0, bits = 0;
    cam->GetDimension(&w, &h, &bits);
    EXPECT_EQ(w, 16);
    EXPECT_EQ(h, 8);
    EXPECT_EQ(bits, 24);
    EXPECT_TRUE(cam->Start(true));
    EXPECT_TRUE(cam->IsLive());
    EXPECT_TRUE(cam->ComInfo(0, ImageComValue{}, 8, 0, nullptr));
    const uint8_t* frame = cam->GetFrame(3);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame[3 * 3], 255);  // the moving bar is at column 3 in frame 3
    EXPECT_STREQ(cam->GetText(2), "test camera 16x8 24 bits, text 2");
    cam->Stop();
    EXPECT_FALSE(cam->IsLive());
    ReleaseCameraPlugin(&cam);
    EXPECT_EQ(cam, nullptr);
}

TEST(DynaCam, RefusesMissingExportsRelativeNamesAndUnknownModules)
{
    LogCapture log;
    {
        PluginFolder folder(QM_BROKEN_PLUGIN_DIR);
        CDynaCam* cam = nullptr;
        EXPECT_FALSE(CreateCameraPlugin(&cam, 0, 0, "grab.nok", 8, 8, 1, 8));  // lacks IsLive
        EXPECT_EQ(cam, nullptr);
        EXPECT_TRUE(log.Contains("Error : CDynaCam::Create GetProcAddress IsLive"));
    }
    PluginFolder folder(QM_PLUGIN_DIR);
    CDynaCam cam;
    for (const char* module : {"../plugins/Fenwarrick.dll", "/tmp/Fenwarrick.dll", "", "Nothing.dll"}) {
        EXPECT_FALSE(cam.Create(module, 0, 0, "src", 8, 8, 1, 8)) << module;
        EXPECT_FALSE(cam.IsLoaded());
    }
    EXPECT_TRUE(log.Contains("Error : CDynaCam::Create LoadDLL ../plugins/Fenwarrick.dll src"));
    CDynaCam* none = nullptr;
    EXPECT_FALSE(CreateCameraPlugin(&none, 0, 0, "photo.bmp", 8, 8, 1, 8));
    EXPECT_EQ(none, nullptr);
    // the module refuses to create this camera: Delete is still called on release
    EXPECT_FALSE(cam.Create("Fenwarrick.dll", 0, 0, "src", 0, 0, 1, 8));
    EXPECT_TRUE(log.Contains("Error : CDynaCam::Create m_pFcCreate Fenwarrick.dll src"));
    cam.Release();
    // an unbound camera forwards nothing
    EXPECT_EQ(cam.GetFrame(0), nullptr);
    EXPECT_FALSE(cam.IsLive());
    cam.Stop();
}

TEST(CamSource, DeliversFramesFromThePlugin)
{
    PluginFolder folder(QM_PLUGIN_DIR);
    for (int bits : {8, 24}) {
        CCamSource source;
        ASSERT_TRUE(source.Create(32, 16, bits, 0, 0, 1));
        ASSERT_TRUE(source.Load("frames.seq"));
        ASSERT_NE(source.GetCamera(), nullptr);
        EXPECT_TRUE(source.IsLive());
        const uint8_t* pixels = source.GetFrame(5, 0);
        ASSERT_NE(pixels, nullptr);
        // frames are bottom-up, the image top-down: the camera's last row is the image's first
        const int B = bits / 8;
        EXPECT_EQ(source.GetBits()[5 * B], 255) << bits;
        EXPECT_EQ(source.GetBits()[4 * B], pixels[4 * B]) << bits;
        if (bits == 24) {
            EXPECT_EQ(source.GetBits()[1], 255);  // green grows up the camera's rows
        }
        // mode 1 fetches without drawing
        source.GetFrame(9, 1);
        EXPECT_EQ(source.GetBits()[5 * B], 255);
        EXPECT_EQ(source.Control(10), 0x0FFFFFFF);
        EXPECT_EQ(source.Control(-20), 1);
        EXPECT_TRUE(source.Hook2());
    }
}

TEST(CamSource, WithoutPluginIsAPlainImage)
{
    PluginFolder folder("/nonexistent");
    CCamSource source;
    ASSERT_TRUE(source.Create(8, 8, 24));
    EXPECT_TRUE(source.Load("frames.seq"));
    EXPECT_EQ(source.GetCamera(), nullptr);
    EXPECT_EQ(source.GetFrame(0x7FFFFFFF, 1), nullptr);
    EXPECT_EQ(source.GetPicNum(), 0);
    EXPECT_FALSE(source.ComInfo(1, ImageComValue{}, 0, 0, nullptr));
    EXPECT_EQ(source.GetText(), nullptr);
    EXPECT_TRUE(source.Hook3());
}

TEST(CreateImageSource, MakesEachKindAndFallsBack)
{
    PluginFolder folder(QM_PLUGIN_DIR);
    imgtest::TempDir dir("factory");
    QImage picture(6, 4, QImage::Format_RGB888);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(QString::fromStdString(dir / "pic.bmp")));
    imgtest::WriteFile(dir / "bad.bmp", {'B', 'M', 1, 2, 3});

    CImageSource* source = nullptr;
    ASSERT_TRUE(CreateImageSource(dir / "Pic.BMP", &source, 16, 16, 24, 0, 0, 1));
    EXPECT_EQ(GetImageSourceType(source), 4);
    EXPECT_EQ(source->GetWidth(), 6);
    DestroyImageSource(&source);
    EXPECT_EQ(source, nullptr);

    ASSERT_TRUE(CreateImageSource(dir / "bad.bmp", &source, 16, 16, 24, 0, 0, 1));
    EXPECT_EQ(GetImageSourceType(source), 3);  // the fallback: a camera source of no name
    DestroyImageSource(&source);

    ASSERT_TRUE(CreateImageSource("Frames.SEQ", &source, 16, 8, 8, 0, 0, 1));
    EXPECT_EQ(GetImageSourceType(source), 2);
    EXPECT_NE(source->GetFrame(1, 0), nullptr);
    DestroyImageSource(&source);

    EXPECT_FALSE(CreateImageSource("x.bmp", nullptr, 16, 16, 24, 0, 0, 1));
    DestroyImageSource(nullptr);
}

} // namespace
