// Layout files: value forms, containers, the main window, saving, bad files.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "resource/Kest2dXmlDocument.h"
#include "gui/Kest2dGUILayout.h"
#include "support/FrameFixture.h"

namespace kest2d {
namespace test {
namespace {

// A control type for the tests: it records what the loader gave it.
class TestWidget : public CKesBaseGUIElement {
public:
    using CKesBaseGUIElement::CKesBaseGUIElement;
    std::string name;
    std::string tip;
    std::string text;
    CKesColor colour = CKesColor(0x12345678);
    CKesDimension2d<int> pair = CKesDimension2d<int>(-1, -1);
    std::vector<std::string> items;
    unsigned long background = 0;
    double speed = 0;
    CKesGUIBaseFont* font = nullptr;
};

CKesBaseGUIElement* MakeWidget(CKesBaseGUIContainer& container, int id, const std::string& name,
                               const CKesRect<int>& rect, CKesBaseGUIElement* parent) {
    auto* w = new TestWidget(KESGUI_COUNT, container.GetDriver(), parent, id, rect);
    w->name = name;
    std::list<CKesBaseGUIElement*>& children = parent->GetChildrens();
    if (std::find(children.begin(), children.end(), w) == children.end()) parent->AddChildren(w);
    return w;
}

void ApplyWidget(CKesBaseGUIElement& control, const KesLayoutProperties& p, const KesLayoutCommon&,
                 CKesBaseGUIContainer& parser, KesLayoutLoad& load) {
    auto& w = static_cast<TestWidget&>(control);
    w.text = p.Text("Text");
    p.Colour("Color", w.colour, parser);
    p.Pair("Pair", w.pair, parser);
    w.items = p.List("Items", parser);
    w.background = load.Texture(p.Value("background"));
    w.speed = p.Decimal("Speed");
    if (p.Integer("Size") > 0) w.font = load.Font(w.name, p.Integer("Size"), p.Value("Font"));
}

const KesLayoutControlType kWidgetType = {
    "TestWidget", MakeWidget,
    [](CKesBaseGUIElement& control, const std::string& tip) { static_cast<TestWidget&>(control).tip = tip; },
    ApplyWidget};

class TestContainer : public CKesBaseGUIContainer {
public:
    explicit TestContainer(CKesBaseFrame* frame) : CKesBaseGUIContainer(frame, nullptr, 0, CKesRect<int>(0, 0, 0, 0)) {}
    TestContainer(CKesBaseFrame* frame, CKesBaseGUIElement* parent, const CKesRect<int>& rect)
        : CKesBaseGUIContainer(frame, parent, 0, rect) {}
    std::string Caption() const { return mCaption; }
    std::string Tip() const { return mTipText; }
    bool Moving() const { return mMoving; }
    void Focus(CKesBaseGUIElement* e) { mFocused = mCaptured = mCurrent = e; }
    bool HoldsNothing() const { return !mFocused && !mCaptured && mCurrent == this; }
    TestWidget* Widget(size_t index) {
        if (index >= mChildren.size()) return nullptr;
        return dynamic_cast<TestWidget*>(*std::next(mChildren.begin(), static_cast<long>(index)));
    }
};

class LayoutFrame : public CKesBaseFrame {
public:
    LayoutFrame() : CKesBaseFrame(nullptr) {}
    bool GuiShown() const { return mGUILoaded; }
};

using Props = std::vector<std::pair<std::string, std::string>>;

std::string PropertyList(const Props& props) {
    std::string xml = "<Propertys>\n";
    for (const auto& p : props) xml += "  <Property Name=\"" + p.first + "\" Value=\"" + p.second + "\"/>\n";
    return xml + "</Propertys>\n";
}

std::string Control(const std::string& type, const std::string& name, const Props& props) {
    return "<KestControl Type=\"" + type + "\" Name=\"" + name + "\">\n" + PropertyList(props) + "</KestControl>\n";
}

std::string Layout(const Props& props, const std::string& children, const std::string& name = "Table123",
                   const std::string& declaration = "") {
    return declaration + "<KestControl Type=\"Container\" Name=\"" + name + "\">\n" + PropertyList(props) +
           "<Childrens>\n" + children + "</Childrens>\n</KestControl>\n";
}

class LayoutTest : public FrameFixture {
protected:
    void SetUp() override {
        FrameFixture::SetUp();
        RegisterLayoutControlType(kWidgetType);
        frame = StartFrame<LayoutFrame>();
        container = std::make_unique<TestContainer>(frame);
    }
    void TearDown() override {
        container.reset();
        FrameFixture::TearDown();
    }
    bool Load(const std::string& file, const std::string& xml) {
        WriteFile(GamePath(file), xml);
        return container->LoadGUIConfig(file.c_str());
    }
    size_t LogCount(const std::string& gbkText) {
        const std::string log = ReadLog();
        size_t n = 0;
        for (size_t at = log.find(gbkText); at != std::string::npos; at = log.find(gbkText, at + 1)) ++n;
        return n;
    }

    LayoutFrame* frame = nullptr;
    std::unique_ptr<TestContainer> container;
};

TEST(LayoutValues, FormsOfValues) {
    EXPECT_EQ(42, LayoutInteger("42px"));
    EXPECT_EQ(-7, LayoutInteger("  -7"));
    EXPECT_EQ(0, LayoutInteger("x1"));
    EXPECT_EQ(0, LayoutInteger(""));
    EXPECT_EQ(2147483647, LayoutInteger("99999999999999999999999"));
    EXPECT_EQ(-2147483647 - 1, LayoutInteger("-99999999999999999999999"));
    EXPECT_DOUBLE_EQ(1.5, LayoutDecimal("1.5"));
    EXPECT_DOUBLE_EQ(0.0, LayoutDecimal("1e999"));
    EXPECT_EQ("Hello", LayoutTrimmed("Hello123"));
    EXPECT_EQ("ab", LayoutTrimmed("ab"));
    EXPECT_EQ("", LayoutTrimmed("abc"));
    // A double-byte character counts as one.
    EXPECT_EQ(Gbk("中"), LayoutTrimmed(Gbk("中文字x")));
    EXPECT_EQ(Gbk("中文"), LayoutTrimmed(Gbk("中文")));
}

TEST(LayoutXml, CrLfAndLoneCrParseLikeLf) {
    const std::string lf = "<a>\n<b x=\"1\">t\nu</b>\n</a>\n";
    std::string crlf, cr;
    for (char c : lf) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        cr += c == '\n' ? '\r' : c;
    }
    KesXmlDocument a, b, c;
    ASSERT_TRUE(a.LoadFromMemory(lf.data(), lf.size()));
    ASSERT_TRUE(b.LoadFromMemory(crlf.data(), crlf.size()));
    ASSERT_TRUE(c.LoadFromMemory(cr.data(), cr.size()));
    TiXmlPrinter pa, pb, pc;
    a.Accept(&pa);
    b.Accept(&pb);
    c.Accept(&pc);
    EXPECT_EQ(pa.Str(), pb.Str());
    EXPECT_EQ(pa.Str(), pc.Str());
    EXPECT_STREQ("1", b.RootElement()->FirstChildElement("b")->Attribute("x"));
    // Null, empty and text after a zero byte.
    EXPECT_FALSE(a.LoadFromMemory(nullptr, 5));
    EXPECT_FALSE(a.LoadFromMemory("<a/>", 0));
    const char withZero[] = "<a/>\0<<<";
    EXPECT_TRUE(a.LoadFromMemory(withZero, sizeof(withZero)));
}

TEST(LayoutXml, EncodingsOfGbkText) {
    const std::string gbk = Gbk("<a n=\"中文\"/>");
    KesXmlDocument doc;
    EXPECT_TRUE(doc.LoadFromMemory(gbk.data(), gbk.size()));
    EXPECT_FALSE(doc.IsUtf8());
    std::string declared = "<?xml version=\"1.0\"?>" + gbk;
    EXPECT_TRUE(doc.LoadFromMemory(declared.data(), declared.size()));
    declared = "<?xml version=\"1.0\" encoding=\"GBK\"?>" + gbk;
    EXPECT_TRUE(doc.LoadFromMemory(declared.data(), declared.size()));
    EXPECT_EQ(Gbk("中文"), doc.RootElement()->Attribute("n"));
    EXPECT_FALSE(doc.WrongDeclaration());
    // GBK under a UTF-8 declaration or byte-order mark is read as GBK.
    for (const std::string& head : {std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"),
                                    std::string("\xEF\xBB\xBF")}) {
        declared = head + gbk;
        EXPECT_TRUE(doc.LoadFromMemory(declared.data(), declared.size())) << doc.ErrorDesc();
        EXPECT_FALSE(doc.IsUtf8());
        EXPECT_TRUE(doc.WrongDeclaration());
        EXPECT_EQ(Gbk("中文"), doc.RootElement()->Attribute("n"));
    }
    const std::string utf8 = "<?xml version=\"1.0\" encoding=\"utf-8\"?><a n=\"中文\"/>";
    EXPECT_TRUE(doc.LoadFromMemory(utf8.data(), utf8.size()));
    EXPECT_TRUE(doc.IsUtf8());
    EXPECT_FALSE(doc.WrongDeclaration());
}

TEST_F(LayoutTest, ContainerAndControlsFromAFile) {
    const std::string xml = Layout(
        {{"Id", "7"}, {"StartX", "10"}, {"StartY", "20"}, {"Width", "300"}, {"Height", "200"},
         {"TipText", "Tip123"}, {"Visible", "1"}, {"Enable", "1"}, {"Moving", "0"}, {"IsModal", "1"},
         {"Unknown", "x"}, {"Id", "8"}},
        Control("TestWidget", "Start123",
                {{"Id", "1"}, {"StartX", "5"}, {"StartY", "6"}, {"Width", "50"}, {"Height", "20"},
                 {"TipText", "ab"}, {"Visible", "1"}, {"Enable", "0"}, {"Text", "Go!xyz"},
                 {"Color", "255;255;0;0"}, {"Pair", "3;4"}, {"Items", "a;b;;c"}, {"Speed", "2.5"}}) +
            Control("TestWidget", "Second", {{"Id", "2"}, {"Color", "1;2;3"}, {"Pair", "9"}}));
    ASSERT_TRUE(Load("main.xml", xml));
    EXPECT_EQ(8, container->GetID());
    EXPECT_EQ(CKesRect<int>(10, 20, 310, 220), container->GetAbsoluteRect());
    EXPECT_EQ("Table", container->Caption());
    EXPECT_EQ("Tip", container->Tip());
    EXPECT_TRUE(container->IsVisible());
    EXPECT_TRUE(container->IsModal());
    EXPECT_FALSE(container->Moving());
    EXPECT_EQ(KESGUI_CONTAINER, container->GetElementType());

    ASSERT_EQ(2u, container->GetChildrens().size());
    TestWidget* first = container->Widget(0);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ("Start", first->name);
    EXPECT_EQ("ab", first->tip);
    EXPECT_EQ("Go!", first->text);
    EXPECT_EQ(1, first->GetID());
    EXPECT_EQ(CKesRect<int>(15, 26, 65, 46), first->GetAbsoluteRect());
    EXPECT_FALSE(first->IsEnabled());
    EXPECT_EQ(CKesColor(255, 255, 0, 0), first->colour);
    EXPECT_EQ(0xFFFF0000u, first->colour.color);
    EXPECT_EQ(CKesDimension2d<int>(3, 4), first->pair);
    EXPECT_EQ((std::vector<std::string>{"a", "b", ";c"}), first->items);  // ";" at the start of the rest ends the split
    EXPECT_DOUBLE_EQ(2.5, first->speed);

    // The second leaves out everything but its id: integers and flags carry
    // over, texts do not, and values of the wrong shape are not applied.
    TestWidget* second = container->Widget(1);
    ASSERT_NE(nullptr, second);
    EXPECT_EQ("Sec", second->name);
    EXPECT_EQ(2, second->GetID());
    EXPECT_TRUE(second->IsVisible());
    EXPECT_FALSE(second->IsEnabled());
    EXPECT_EQ(CKesRect<int>(15, 26, 65, 46), second->GetAbsoluteRect());
    EXPECT_EQ("", second->tip);
    EXPECT_EQ(0x12345678u, second->colour.color);
    EXPECT_EQ(CKesDimension2d<int>(-1, -1), second->pair);
}

TEST_F(LayoutTest, VisibleCarriesOverToTheNextControl) {
    for (const char* visible : {"0", "1"}) {
        const std::string xml =
            Layout({}, Control("TestWidget", "one123", {{"Visible", visible}, {"Enable", "1"}}) +
                           Control("TestWidget", "two123", {{"Enable", "1"}}));
        ASSERT_TRUE(Load("carry.xml", xml));
        ASSERT_EQ(2u, container->GetChildrens().size());
        EXPECT_EQ(visible[0] == '1', container->Widget(1)->IsVisible()) << visible;
    }
}

TEST_F(LayoutTest, ARootOtherThanAContainerEmptiesTheContainer) {
    ASSERT_TRUE(Load("a.xml", Layout({}, Control("TestWidget", "w12345", {}))));
    ASSERT_EQ(1u, container->GetChildrens().size());
    ASSERT_TRUE(Load("b.xml", "<KestControl Type=\"Button\" Name=\"x\"/>"));
    EXPECT_TRUE(container->GetChildrens().empty());
    ASSERT_TRUE(Load("a.xml", Layout({}, Control("TestWidget", "w12345", {}))));
    ASSERT_TRUE(Load("c.xml", "<Other/>"));
    EXPECT_TRUE(container->GetChildrens().empty());
}

TEST_F(LayoutTest, ReloadingForgetsTheOldChildren) {
    ASSERT_TRUE(Load("a.xml", Layout({}, Control("TestWidget", "w12345", {}))));
    container->Focus(container->Widget(0));
    ASSERT_TRUE(Load("a.xml", Layout({}, Control("TestWidget", "w12345", {}))));
    EXPECT_TRUE(container->HoldsNothing());
}

TEST_F(LayoutTest, CrLfFilesLoadLikeLfFiles) {
    const std::string lf = Layout({{"Width", "40"}, {"Height", "30"}, {"TipText", "line\nnext123"}},
                                  Control("TestWidget", "w12345", {{"Text", "a\nb123"}}));
    std::string crlf;
    for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    ASSERT_TRUE(Load("lf.xml", lf));
    const std::string tip = container->Tip();
    const std::string text = container->Widget(0)->text;
    ASSERT_TRUE(Load("crlf.xml", crlf));
    EXPECT_EQ(tip, container->Tip());
    EXPECT_EQ(text, container->Widget(0)->text);
    EXPECT_EQ(CKesRect<int>(0, 0, 40, 30), container->GetAbsoluteRect());
}

TEST_F(LayoutTest, GbkTextAndDeclaredEncodings) {
    const std::string utf8Decl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    const std::string gbkDecl = "<?xml version=\"1.0\" encoding=\"GBK\"?>\n";
    const Props props = {{"Width", "800"}, {"Height", "600"}, {"Visible", "1"}, {"Enable", "1"}, {"IsWindow", "1"}};
    const std::string chinese = Layout(props, Control("TestWidget", "中文名abc", {{"Text", "你好123"}}), "牌桌abc");
    const std::string plain = Layout(props, Control("TestWidget", "Named123", {{"Text", "Hi!123"}}), "Desk123");
    const std::string probe = Layout(props, Control("TestWidget", "Named123", {{"Text", "Hi!123"}}), "ProbeTitle___");
    struct Case {
        const char* file;
        std::string bytes;
        const char* caption;  // UTF-8, as the engine should hold it in GBK
        const char* name;
        const char* text;
        bool wrongDeclaration;
    };
    const Case cases[] = {
        {"plain.xml", Gbk(chinese), "牌桌", "中文名", "你好", false},
        {"gbk.xml", Gbk(gbkDecl + chinese), "牌桌", "中文名", "你好", false},
        {"utf8.xml", utf8Decl + chinese, "牌桌", "中文名", "你好", false},
        // What older tools and earlier engines wrote: GBK text under a UTF-8 declaration.
        {"wrong.xml", Gbk(utf8Decl + chinese), "牌桌", "中文名", "你好", true},
        {"ascii.xml", utf8Decl + plain, "Desk", "Named", "Hi!", false},
        {"probe.xml", probe, "ProbeTitle", "Named", "Hi!", false},
    };
    for (const Case& c : cases) {
        WriteFile(GamePath(c.file), c.bytes);
        const std::string warning = Gbk(std::string("GUI配置文件:") + c.file + "声明为UTF-8编码");
        // Through a container and through the main window's layout.
        ASSERT_TRUE(container->LoadGUIConfig(c.file)) << c.file;
        EXPECT_EQ(Gbk(c.caption), container->Caption()) << c.file;
        ASSERT_NE(nullptr, container->Widget(0)) << c.file;
        EXPECT_EQ(Gbk(c.name), container->Widget(0)->name) << c.file;
        EXPECT_EQ(Gbk(c.text), container->Widget(0)->text) << c.file;
        EXPECT_EQ(c.wrongDeclaration ? 1u : 0u, LogCount(warning)) << c.file;
        ASSERT_TRUE(frame->LoadGUIConfig(c.file)) << c.file;
        EXPECT_TRUE(frame->GuiShown()) << c.file;
        // The window's title is the frame's caption, as a script reads it.
        EXPECT_EQ(Gbk(c.caption), frame->GetCaption()) << c.file;
        EXPECT_EQ(Gbk(c.caption), frame->GetWindowText()) << c.file;
        EXPECT_EQ(1u, frame->GetChildrens().size()) << c.file;
        EXPECT_EQ(c.wrongDeclaration ? 2u : 0u, LogCount(warning)) << c.file;
        EXPECT_EQ(0u, LogCount(Gbk("导入GUI配置文件:") + c.file)) << c.file;
    }
    frame->DeleteAllControls();
}

TEST_F(LayoutTest, SavedPropertiesLoadBack) {
    TestContainer parent(frame, nullptr, CKesRect<int>(100, 100, 700, 500));
    auto* saved = new TestContainer(frame, &parent, CKesRect<int>(10, 20, 310, 220));
    std::list<CKesBaseGUIElement*>& kids = parent.GetChildrens();
    if (std::find(kids.begin(), kids.end(), saved) == kids.end()) parent.AddChildren(saved);
    ASSERT_TRUE(Load("src.xml", Layout({{"Id", "31"}, {"StartX", "10"}, {"StartY", "20"}, {"Width", "300"},
                                        {"Height", "200"}, {"TipText", Gbk("提示abc")}, {"Visible", "1"},
                                        {"Enable", "1"}, {"Moving", "1"}, {"IsModal", "1"}},
                                       "", Gbk("桌子abc"))));
    ASSERT_TRUE(saved->LoadGUIConfig("src.xml"));
    EXPECT_EQ(CKesRect<int>(110, 120, 410, 320), saved->GetAbsoluteRect());
    saved->SaveGUIConfig("saved.xml");

    const std::string file = ReadFile(GamePath("saved.xml"));
    EXPECT_NE(std::string::npos, file.find("encoding=\"GBK\"")) << file;
    EXPECT_NE(std::string::npos, file.find("Name=\"StartX\" Value=\"10\"")) << file;
    EXPECT_NE(std::string::npos, file.find("Name=\"StartY\" Value=\"20\"")) << file;
    EXPECT_NE(std::string::npos, file.find("Name=\"Width\" Value=\"300\"")) << file;
    EXPECT_NE(std::string::npos, file.find("Name=\"Height\" Value=\"200\"")) << file;

    auto* loaded = new TestContainer(frame, &parent, CKesRect<int>(0, 0, 1, 1));
    if (std::find(kids.begin(), kids.end(), loaded) == kids.end()) parent.AddChildren(loaded);
    ASSERT_TRUE(loaded->LoadGUIConfig("saved.xml"));
    EXPECT_EQ(saved->GetID(), loaded->GetID());
    EXPECT_EQ(saved->GetAbsoluteRect(), loaded->GetAbsoluteRect());
    EXPECT_EQ(saved->GetRelativeRect(), loaded->GetRelativeRect());
    EXPECT_EQ(saved->Tip(), loaded->Tip());
    EXPECT_EQ(Gbk("提示"), loaded->Tip());
    EXPECT_EQ(saved->Caption(), loaded->Caption());
    EXPECT_EQ(saved->IsVisible(), loaded->IsVisible());
    EXPECT_EQ(saved->IsEnabled(), loaded->IsEnabled());
    EXPECT_EQ(saved->Moving(), loaded->Moving());
    EXPECT_EQ(saved->IsModal(), loaded->IsModal());
}

TEST_F(LayoutTest, MissingResourcesAndUnknownTypesAreReportedOnce) {
    const Props props = {{"background", "img\\none.png"}, {"Size", "12"}, {"Font", "fonts\\none.ttf"}};
    const std::string xml = Layout({{"background", "img\\bg.png"}},
                                   Control("TestWidget", "a12345", props) + Control("Gizmo", "g12345", {}) +
                                       Control("TestWidget", "b12345", props) + Control("Gizmo", "h12345", {}) +
                                       Control("Container", "c12345", {}) + "<Other/>");
    ASSERT_TRUE(Load("missing.xml", xml));
    EXPECT_EQ(2u, container->GetChildrens().size());
    // One line of the resource loader and one of the layout loader each.
    EXPECT_EQ(2u, LogCount("img\\none.png"));
    EXPECT_EQ(2u, LogCount("img\\bg.png"));
    EXPECT_EQ(1u, LogCount("fonts\\none.ttf"));
    EXPECT_EQ(1u, LogCount("Gizmo"));
    EXPECT_EQ(0u, LogCount(":Container"));
}

TEST_F(LayoutTest, MissingAndEmptyFilesReturnFalseQuietly) {
    EXPECT_FALSE(container->LoadGUIConfig("nothing.xml"));
    EXPECT_FALSE(container->LoadGUIConfig(nullptr));
    WriteFile(GamePath("empty.xml"), "");
    EXPECT_FALSE(container->LoadGUIConfig("empty.xml"));
    // Only the resource loader's own "cannot load" line, nothing from the layout loader.
    EXPECT_EQ(1u, LogCount("nothing.xml"));
    TestContainer orphan(nullptr);
    EXPECT_FALSE(orphan.LoadGUIConfig("nothing.xml"));
}

TEST_F(LayoutTest, MalformedLayoutsNeverCrash) {
    std::vector<std::pair<std::string, std::string>> corpus = {
        {"unclosed.xml", "<KestControl Type=\"Container\" Name=\"abc123\"><Propertys><Property Name=\"Id\""},
        {"unclosed2.xml", "<KestControl Type=\"Container\"><Childrens><KestControl Type=\"TestWidget\">"},
        {"wrongroot.xml", "<Root><KestControl Type=\"Container\"/></Root>"},
        {"noroot.xml", "<?xml version=\"1.0\"?>"},
        {"huge.xml", Layout({{"Id", "99999999999999999999"}, {"Width", "-99999999999999999999"},
                             {"StartX", "2147483647"}, {"Height", "2147483647"}},
                            Control("TestWidget", "w", {{"StartX", "2147483647"}, {"Width", "2147483647"},
                                                       {"Color", "999999;-5;1e9;x"}, {"Speed", "1e999"}}))},
        {"negative.xml", Layout({{"Width", "-300"}, {"Height", "-200"}},
                                Control("TestWidget", "w", {{"Width", "-5"}, {"Height", "-5"}, {"Size", "-3"}}))},
        {"noattrs.xml", "<KestControl Type=\"Container\"><Propertys><Property/><Property Value=\"1\"/>"
                        "<Property Name=\"Id\"/></Propertys><Childrens><KestControl/><KestControl Name=\"x\"/>"
                        "<KestControl Type=\"TestWidget\"/></Childrens></KestControl>"},
        {"nested.xml", Layout({}, "<KestControl Type=\"TestWidget\" Name=\"n123\"><Childrens>" +
                                      Control("TestWidget", "deep123", {}) + "</Childrens></KestControl>")},
        {"entities.xml", "<KestControl Type=\"Container\" Name=\"&#x4E2D;&#99999999;&bogus;\"/>"},
    };
    std::mt19937 random(1234);
    for (int n = 0; n < 20; ++n) {
        std::string bytes(static_cast<size_t>(1 + random() % 400), '\0');
        for (char& b : bytes) b = static_cast<char>(random() & 0xFF);
        if (n % 2) bytes = "<KestControl Type=\"Container\">" + bytes;
        corpus.emplace_back("garbage" + std::to_string(n) + ".xml", bytes);
    }
    for (const auto& entry : corpus) {
        WriteFile(GamePath(entry.first), entry.second);
        const bool ok = container->LoadGUIConfig(entry.first.c_str());
        if (!ok) {
            EXPECT_EQ(1u, LogCount(Gbk("导入GUI配置文件:") + entry.first)) << entry.first;
            // The main window keeps its size and mode when its file fails.
            EXPECT_FALSE(frame->LoadGUIConfig(entry.first.c_str()));
        }
    }
    EXPECT_TRUE(container->LoadGUIConfig("nested.xml"));
    EXPECT_EQ(1u, container->GetChildrens().size()) << "only one level of controls is read";
    EXPECT_FALSE(container->LoadGUIConfig("unclosed.xml"));
}

TEST_F(LayoutTest, TheMainWindowLayoutSetsTitleAndShowsTheTree) {
    ASSERT_TRUE(frame->LoadGUIConfig("none.xml") == false);
    EXPECT_FALSE(frame->GuiShown());
    EXPECT_EQ(frame->GetWindowText(), frame->GetCaption()) << "before any layout";
    WriteFile(GamePath("main.xml"),
              Gbk(Layout({{"Id", "5"}, {"StartX", "0"}, {"StartY", "0"}, {"Width", "800"}, {"Height", "600"},
                          {"Visible", "1"}, {"Enable", "1"}, {"IsWindow", "1"}},
                         Control("TestWidget", "w12345", {{"Visible", "1"}}), "游戏大厅abc")));
    ASSERT_TRUE(frame->LoadGUIConfig("main.xml"));
    EXPECT_TRUE(frame->GuiShown());
    EXPECT_EQ(Gbk("游戏大厅"), frame->GetCaption());
    EXPECT_EQ(Gbk("游戏大厅"), frame->GetWindowText());
    EXPECT_EQ(CKesRect<int>(0, 0, 800, 600), frame->GetAbsoluteRect());
    EXPECT_EQ(CKesRect<int>(0, 0, 800, 600), frame->GetClippingRect());
    EXPECT_NE(5, frame->GetID()) << "the main window does not take the file's id";
    EXPECT_EQ(1u, frame->GetChildrens().size());
    WriteFile(GamePath("bad.xml"), "<KestControl");
    EXPECT_FALSE(frame->LoadGUIConfig("bad.xml"));
    EXPECT_FALSE(frame->GuiShown());
    EXPECT_EQ(1u, frame->GetChildrens().size());
    frame->DeleteAllControls();
}

TEST_F(LayoutTest, TheSampleGameLayoutLoads) {
    const std::string source = ReadFile(std::string(KEST2D_SOURCE_DIR) + "/examples/demo/layout/main.xml");
    ASSERT_FALSE(source.empty());
    WriteFile(GamePath("layout/main.xml"), source);
    ASSERT_TRUE(frame->LoadGUIConfig("layout\\main.xml"));
    EXPECT_EQ(Gbk("Kest2d 示例游戏"), frame->GetCaption());
    EXPECT_EQ(CKesRect<int>(0, 0, 800, 600), frame->GetAbsoluteRect());
    EXPECT_TRUE(frame->GuiShown());
}

}  // namespace
}  // namespace test
}  // namespace kest2d
