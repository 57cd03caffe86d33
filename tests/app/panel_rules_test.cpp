// The panel's rules without a browser: mouse-ups into store items, stored items
// into page scripts, the placement beside the owner and the shape's region.
#include "app/panel/PanelRegion.h"
#include "app/panel/PanelRules.h"
#include "foundation/image/BmpFile.h"
#include "work_folder.h"

#include <QFile>
#include <algorithm>
#include <QImage>
#include <QRegularExpression>
#include <array>
#include <gtest/gtest.h>

namespace {

const std::string kOptionsUrl = "/opt/quillmont/html/Options.htm";

struct MouseUpCase {
    const char* what;
    PanelInputReport report;
    const char* value;
    const char* checked;
};

TEST(PanelMouseUp, InputsBecomeItemsAdjustedByClass)
{
    const MouseUpCase cases[] = {
        {"checked box is being unchecked", {"styledCheckbox", "wireframe", true, "on"}, "0", "0"},
        {"unchecked box is being checked", {"styledCheckbox", "wireframe", false, "on"}, "1", "1"},
        {"active toggle is being switched off", {"toggleButton active", "TrackOn", false, "Edit"}, "1", "0"},
        {"inactive toggle is being switched on", {"toggleButton", "TrackOn", true, "Edit"}, "0", "-1"},
        {"slider value as an integer", {"rangeSlider", "framerate", false, "042.7"}, "42", "0"},
        {"slider without a number", {"rangeSlider", "framerate", false, "abc"}, "0", "0"},
        {"red button is armed", {"styledButtonRed", "Clear", false, "Clear"}, "Clear", "1"},
        {"other classes keep what the element says", {"fancy", "x", true, "v"}, "v", "-1"},
        {"checkbox rule needs the exact class", {"styledCheckbox big", "y", true, "on"}, "on", "-1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const PanelMouseUp r = PanelOnMouseUp(c.report, kOptionsUrl, "");
        ASSERT_TRUE(r.update);
        EXPECT_FALSE(r.setPending);
        EXPECT_EQ(r.item.page, "Options");
        EXPECT_EQ(r.item.name, c.report.name);
        EXPECT_EQ(r.item.className, c.report.className);
        EXPECT_EQ(r.item.value, c.value);
        EXPECT_EQ(r.item.checked, c.checked);
    }
}

TEST(PanelMouseUp, TabNamesThePendingPageOnlyWhenNoneWaits)
{
    const PanelInputReport tab{"tab", "", false, "Trains"};
    PanelMouseUp r = PanelOnMouseUp(tab, kOptionsUrl, "");
    EXPECT_TRUE(r.setPending);
    EXPECT_EQ(r.pendingPage, "Trains");
    EXPECT_FALSE(r.update);

    r = PanelOnMouseUp(tab, kOptionsUrl, "Tracks");
    EXPECT_FALSE(r.setPending) << "a waiting page is not replaced";
    EXPECT_FALSE(r.update);

    r = PanelOnMouseUp({"tab active", "", false, "Trains"}, kOptionsUrl, "");
    EXPECT_FALSE(r.setPending) << "only the exact class is a tab";
    EXPECT_TRUE(r.update);
}

TEST(PanelMouseUp, PageIsTheDocumentFileWithoutExtension)
{
    EXPECT_EQ(PanelPageFromUrl("file:///a/b/Tracks.htm"), "Tracks");
    EXPECT_EQ(PanelPageFromUrl("/a/b.c/Trains.page.htm?x=1#top"), "Trains.page");
    EXPECT_EQ(PanelPageFromUrl("C:\\prog\\html\\Options.htm"), "Options");
    EXPECT_EQ(PanelPageFromUrl("/a/noext"), "noext");
}

TEST(PanelPush, ScriptsFollowTheClassRulesAndEscapeValues)
{
    CHtmlItemStore store;
    store.Update({"Options", "framerate", "-5", "0", "rangeSlider"});
    store.Update({"Options", "vsync", "1", "1", "styledCheckbox"});
    store.Update({"Options", "fullscreen", "-1", "-1", "styledcheckbox"}); // class compared without case
    store.Update({"Options", "Clear", "Clear", "1", "styledButtonRed"});
    store.Update({"Options", "note", "a\"b</script>\\", "0", "text"});
    store.Update({"Options", "TrackOn", "0", "0", "toggleButton"});
    store.Update({"Trains", "Speed", "100", "0", "rangeSlider"});

    const std::vector<std::string> s = PanelPushScripts(store, "Options");
    ASSERT_EQ(s.size(), 5u) << "the red button is never pushed, other pages not at all";
    EXPECT_NE(s[0].find("getElementsByName(\"framerate\")"), std::string::npos);
    EXPECT_NE(s[0].find("e.value=\"10\""), std::string::npos) << "below its range: the minimum: " << s[0];
    EXPECT_NE(s[1].find("e.checked=true"), std::string::npos) << s[1];
    EXPECT_NE(s[2].find("e.checked=false"), std::string::npos) << "only a checked text of 1 checks: " << s[2];
    EXPECT_NE(s[3].find("e.value=\"a\\\"b\\u003c/script>\\\\\""), std::string::npos) << s[3];
    EXPECT_EQ(s[4], "updateToggleButtonState(false);");
    for (const auto& script : s)
        EXPECT_EQ(script.find("setAttribute"), std::string::npos) << "properties, not attributes";

    // pushing reset the red button: a following lookup finds it disarmed
    EXPECT_EQ(store.Lookup("Options", "Clear"), "0");
}

// The value a stored slider text gives the page (what the push sets) and the
// program (what the render thread takes): one range, both sides.
TEST(PanelSlider, PageAndProgramTakeTheSameValueInTheSlidersRange)
{
    struct Case {
        const char* page;
        const char* name;
        const char* stored; // nullptr: no item
        int value;          // -1: missing, the page keeps its own, the program its current one
    };
    const Case cases[] = {
        {"Options", "framerate", "60", 60},   {"Options", "framerate", "-5", 10},  {"Options", "framerate", "0", 10},
        {"Options", "framerate", "10", 10},   {"Options", "framerate", "120", 120}, {"Options", "framerate", "121", 120},
        {"Options", "framerate", "99999999999", 120}, {"Options", "framerate", "", -1}, {"Options", "framerate", "abc", -1},
        {"Options", "framerate", nullptr, -1}, {"Trains", "Speed", "100", 100}, {"Trains", "Speed", "-3", 0},
        {"Trains", "Speed", "250", 200},      {"Trains", "Speed", "0", 0},       {"Trains", "Speed", "", -1},
        {"Trains", "Other", "-7", 0},          {"Trains", "Other", "5000", 5000}, // not a page slider: never negative
    };
    for (const Case& c : cases) {
        const std::string what = std::string(c.page) + "/" + c.name + "=" + (c.stored ? c.stored : "(none)");
        CHtmlItemStore store;
        if (c.stored)
            store.Update({c.page, c.name, c.stored, "0", "rangeSlider"});
        int taken = -1;
        if (!PanelSliderValue(c.page, c.name, store.Lookup(c.page, c.name), taken))
            taken = -1;
        EXPECT_EQ(taken, c.value) << what;
        const std::vector<std::string> pushed = PanelPushScripts(store, c.page);
        if (c.value < 0) {
            EXPECT_TRUE(pushed.empty()) << what;
        } else {
            ASSERT_EQ(pushed.size(), 1u) << what;
            EXPECT_NE(pushed[0].find("e.value=\"" + std::to_string(c.value) + "\""), std::string::npos)
                << what << ": " << pushed[0];
        }
    }
}

// Every slider of the shipped pages has the range the program applies.
TEST(PanelSlider, ShippedPagesUseTheSharedRanges)
{
    const QRegularExpression input("<input[^>]*class=\"rangeSlider\"[^>]*>");
    const QRegularExpression attr("(name|min|max)=\"([^\"]*)\"");
    int sliders = 0;
    for (const char* page : {"Options", "Tracks", "Trains"}) {
        QFile f(QString(QM_DATA_DIR) + "/html/" + page + ".htm");
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << page;
        const QString html = QString::fromUtf8(f.readAll());
        for (auto m = input.globalMatch(html); m.hasNext();) {
            std::string name;
            int min = -1, max = -1;
            for (auto a = attr.globalMatch(m.next().captured(0)); a.hasNext();) {
                const auto am = a.next();
                if (am.captured(1) == "name")
                    name = am.captured(2).toStdString();
                else
                    (am.captured(1) == "min" ? min : max) = am.captured(2).toInt();
            }
            const PanelSliderRange* range = PanelSliderRangeOf(page, name);
            ASSERT_NE(range, nullptr) << page << "/" << name;
            EXPECT_EQ(range->min, min) << page << "/" << name;
            EXPECT_EQ(range->max, max) << page << "/" << name;
            ++sliders;
        }
    }
    EXPECT_EQ(sliders, 2);
}

TEST(PanelPush, JsonQuoteEscapesEverythingAStringLiteralCannotHold)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", "\"\""},
        {"plain 60", "\"plain 60\""},
        {"q\"b\\", "\"q\\\"b\\\\\""},
        {"a\nb\rc\td", "\"a\\nb\\rc\\td\""},
        {std::string("x\0y\x1f", 4), "\"x\\u0000y\\u001f\""},
        {"');alert(1);('", "\"');alert(1);('\""},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(JsonQuote(in), out);
}

TEST(PanelPlacement, RightEdgeOfTheClientAreaReachingOverTheCaption)
{
    const PanelRect r = PanelPlacement({100, 50, 800, 600});
    EXPECT_EQ(r.x, 440);
    EXPECT_EQ(r.y, 12);
    EXPECT_EQ(r.width, 460);
    EXPECT_EQ(r.height, 638);
    EXPECT_EQ(PanelMarginScript(48, 80),
              "document.body.style.marginLeft='48px'; document.body.style.marginTop='80px';");
}

TEST(PanelRegion, NearlyBlackPixelsAreCutAndRunsEndAtTheWidth)
{
    QImage img(7, 3, QImage::Format_BGR888); // odd width: padded rows
    img.fill(qRgb(0, 0, 0));
    img.setPixel(0, 0, qRgb(31, 31, 31)); // cut
    img.setPixel(1, 0, qRgb(32, 0, 0));   // kept
    img.setPixel(2, 0, qRgb(0, 0, 32));   // kept
    img.setPixel(4, 0, qRgb(0, 40, 0));   // kept, a second run
    for (int x = 3; x < 7; ++x)
        img.setPixel(x, 2, qRgb(200, 200, 200)); // a run to the row's end
    const PictureView view{img.width(), img.height(), 24, img.constBits(), ptrdiff_t(img.bytesPerLine())};
    std::vector<RegionRun> runs;
    ASSERT_TRUE(RegionRunsFromPicture(view, 32, 100, runs));
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ((std::array{runs[0].left, runs[0].top, runs[0].right, runs[0].bottom}), (std::array{1, 0, 3, 1}));
    EXPECT_EQ((std::array{runs[1].left, runs[1].right}), (std::array{4, 5}));
    EXPECT_EQ((std::array{runs[2].left, runs[2].top, runs[2].right, runs[2].bottom}), (std::array{3, 2, 7, 3}));
    EXPECT_FALSE(RegionRunsFromPicture(view, 32, 2, runs)) << "more runs than allowed";
    EXPECT_TRUE(RegionRunsFromPicture(PictureView{}, 32, 100, runs));
    EXPECT_TRUE(runs.empty());
}

// An 8-bit grey BMP of a checkerboard in squares of `cell` pixels.
std::vector<uint8_t> CheckerBmp(int size, int cell)
{
    BitmapInfo info{};
    info.bmiHeader.biSize = 40;
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 8;
    info.bmiHeader.biClrUsed = 256;
    for (int i = 0; i < 256; ++i)
        info.bmiColors[i] = {uint8_t(i), uint8_t(i), uint8_t(i), 0};
    std::vector<uint8_t> bits(size_t(size) * size_t(size));
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            bits[size_t(y) * size_t(size) + size_t(x)] = ((x / cell + y / cell) % 2) ? 255 : 0;
    return BuildBmpFile(info, bits.data());
}

void WriteBytes(const WorkFolder& dir, const std::string& name, const std::vector<uint8_t>& bytes)
{
    dir.Write(name, std::string(bytes.begin(), bytes.end()));
}

TEST(PanelRegion, ShapeFileIsTheShippedKindOfBmpAndItsRunsAreBounded)
{
    WorkFolder dir("region");
    QImage grey(5, 2, QImage::Format_Indexed8);
    grey.setColorCount(256);
    for (int i = 0; i < 256; ++i)
        grey.setColor(i, qRgb(i, i, i));
    grey.fill(0);
    grey.setPixel(2, 1, 32);
    grey.setPixel(3, 1, 255);
    ASSERT_TRUE(grey.save("grey.bmp"));
    QImage rgb(9, 1, QImage::Format_RGB888);
    rgb.fill(qRgb(90, 60, 40));
    ASSERT_TRUE(rgb.save("odd.bmp"));
    ASSERT_TRUE(rgb.save("shape.png"));
    ASSERT_TRUE(rgb.convertToFormat(QImage::Format_Mono).save("mono.bmp"));
    dir.Write("shape.svg", "<svg xmlns='http://www.w3.org/2000/svg' width='3000' height='3000'/>");
    dir.Write("garbage.bmp", "BM not a picture");
    WriteBytes(dir, "checker.bmp", CheckerBmp(300, 1)); // 45 000 runs
    WriteBytes(dir, "blocks.bmp", CheckerBmp(300, 15)); // 10 runs a row, 3000 in all
    // a header saying 5000 x 5000: refused before anything is decoded
    std::vector<uint8_t> huge = CheckerBmp(4, 1);
    const uint8_t side[4] = {0x88, 0x13, 0, 0}; // 5000
    std::copy(side, side + 4, huge.begin() + 18);
    std::copy(side, side + 4, huge.begin() + 22);
    WriteBytes(dir, "huge.bmp", huge);
    std::vector<uint8_t> cut = CheckerBmp(300, 15);
    cut.resize(cut.size() / 2);
    WriteBytes(dir, "cut.bmp", cut);

    struct Case {
        const char* file;
        size_t runs;       // when read
        const char* why;   // nullptr: read
    };
    const Case cases[] = {
        {"grey.bmp", 1, nullptr},
        {"ODD.BMP", 1, nullptr}, // the path is resolved without regard to case
        {"blocks.bmp", 3000, nullptr},
        {"checker.bmp", 0, "more than 10000 rectangles"},
        {"shape.png", 0, "not an uncompressed 8, 24 or 32-bit BMP"},
        {"shape.svg", 0, "not an uncompressed 8, 24 or 32-bit BMP"},
        {"mono.bmp", 0, "not an uncompressed 8, 24 or 32-bit BMP"},
        {"garbage.bmp", 0, "the BMP header does not match the file"},
        {"huge.bmp", 0, "25000000 pixels, more than 16777216"},
        {"cut.bmp", 0, "the BMP header does not match the file"},
        {"map\\missing.bmp", 0, "not found"},
    };
    for (const Case& c : cases) {
        std::vector<RegionRun> runs{{1, 1, 2, 2}};
        std::string why;
        EXPECT_EQ(RegionRunsFromFile(c.file, 32, runs, why), c.why == nullptr) << c.file << ": " << why;
        EXPECT_EQ(runs.size(), c.runs) << c.file;
        if (c.why) {
            EXPECT_EQ(why, c.why) << c.file;
        }
    }
    std::vector<RegionRun> runs;
    std::string why;
    ASSERT_TRUE(RegionRunsFromFile("grey.bmp", 32, runs, why));
    EXPECT_EQ((std::array{runs[0].left, runs[0].top, runs[0].right}), (std::array{2, 1, 4}));
    ASSERT_TRUE(RegionRunsFromFile("odd.bmp", 32, runs, why));
    EXPECT_EQ(runs[0].right, 9);
}

} // namespace
