// The reference pages under docs/ against the engine they describe: the
// layout page's property tables against what the loader really reads, the
// script API reference against the binding of a real Lua state, the
// protocol page's cipher rule against the cipher, the README's links, and the
// pages' examples run as a game maker would run them.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "gui/Kest2dGUIContainer.h"
#include "gui/Kest2dGUILayout.h"
#include "gui/controls/Kest2dGUIButton.h"
#include "gui/controls/Kest2dGUIStatic.h"
#include "lauxlib.h"
#include "lua.h"
#include "net/KesCipher.h"
#include "net/NetSupport.h"
#include "platform/KesRenderDevice.h"
#include "support/FrameFixture.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

const std::string kDocs = std::string(KEST2D_SOURCE_DIR) + "/docs/";

// One row of a property table: the property and its form as the page gives them.
struct Row {
    std::string name;
    std::string form;
};

// The property tables of docs/layout.md by section ("Button", "Common
// properties", ...): every "| `Name` | form | ... |" row under a "## " or
// "### " heading.
std::map<std::string, std::vector<Row>> LayoutTables(std::vector<std::string>* typeSections) {
    std::map<std::string, std::vector<Row>> tables;
    std::istringstream in(ReadFile(kDocs + "layout.md"));
    std::string line, section;
    bool inTypes = false;
    while (std::getline(in, line)) {
        if (line.rfind("## ", 0) == 0) {
            section = line.substr(3);
            inTypes = section == "Control types";
        } else if (line.rfind("### ", 0) == 0) {
            section = line.substr(4);
            if (inTypes) typeSections->push_back(section);
        } else if (line.rfind("| `", 0) == 0) {
            const size_t close = line.find('`', 3);
            const size_t bar = line.find('|', close);
            const size_t next = line.find('|', bar + 1);
            if (close == std::string::npos || next == std::string::npos) continue;
            std::string form = line.substr(bar + 1, next - bar - 1);
            form = form.substr(form.find_first_not_of(' '));
            form = form.substr(0, form.find_last_not_of(' ') + 1);
            tables[section].push_back({line.substr(3, close - 3), form});
        }
    }
    return tables;
}

// The form the loader notes for a form the page names: pictures, files and
// composite values are taken as they stand.
std::string LoaderForm(const std::string& pageForm) {
    for (const char* plain : {"integer", "flag", "decimal", "text", "colour", "pair", "list"})
        if (pageForm == plain) return plain;
    return "value";
}

// A value of the page's form that takes every branch of the loader.
std::string SampleValue(const std::string& pageForm) {
    const std::string form = LoaderForm(pageForm);
    if (form == "integer" || form == "flag") return "1";
    if (form == "decimal") return "0.5";
    if (form == "text") return "abc___";
    if (form == "colour") return "255;1;2;3";
    if (form == "pair") return "2;3";
    if (form == "list") return "1,10;2,20";
    return pageForm == "four integers" ? "0;0;1;1" : "missing.png";
}

// The rows with sample values, or the given ones.
std::string Properties(const std::vector<Row>& rows, const std::map<std::string, std::string>& values = {}) {
    std::string xml = "<Propertys>";
    for (const Row& r : rows) {
        auto given = values.find(r.name);
        xml += "<Property Name=\"" + r.name + "\" Value=\"" +
               (given == values.end() ? SampleValue(r.form) : given->second) + "\"/>";
    }
    return xml + "</Propertys>";
}

std::string Layout(const std::string& rootProperties, const std::string& children) {
    return "<KestControl Type=\"Container\" Name=\"root___\">" + rootProperties + "<Childrens>" + children +
           "</Childrens></KestControl>";
}

using Reads = std::vector<std::pair<std::string, std::string>>;

// Compares the rows of one table with the reads the loader made; the message
// lists the rows to add or remove.
void ExpectSameProperties(const std::string& section, const std::vector<Row>& rows, const Reads& reads) {
    std::map<std::string, std::set<std::string>> read;
    for (const auto& r : reads) read[r.first].insert(r.second);
    std::ostringstream problems;
    std::set<std::string> documented;
    for (const Row& row : rows) {
        documented.insert(row.name);
        auto it = read.find(row.name);
        if (it == read.end())
            problems << "  the loader does not read `" << row.name << "`: remove its row\n";
        else if (!it->second.count(LoaderForm(row.form)))
            problems << "  `" << row.name << "` is read as " << *it->second.begin() << ", the page says " << row.form
                     << "\n";
    }
    for (const auto& r : read)
        if (!documented.count(r.first))
            problems << "  | `" << r.first << "` | " << *r.second.begin() << " | ... |   (missing row)\n";
    EXPECT_TRUE(problems.str().empty()) << "docs/layout.md, " << section << ":\n" << problems.str();
}

// The plain frame with its Lua state in reach.
class LuaFrame : public PlainFrame {
public:
    lua_State* State() const { return mLuaState; }
    // A global of the script as text ("nil" when unset).
    std::string Global(const char* name) {
        lua_getglobal(mLuaState, name);
        lua_getglobal(mLuaState, "tostring");
        lua_insert(mLuaState, -2);
        lua_call(mLuaState, 1, 1);
        std::string text = lua_tostring(mLuaState, -1);
        lua_pop(mLuaState, 1);
        return text;
    }
};

// The page's code blocks of one language ("lua", "xml", ...), in order.
std::vector<std::string> CodeBlocks(const std::string& page, const std::string& language) {
    std::vector<std::string> blocks;
    std::istringstream in(ReadFile(std::string(KEST2D_SOURCE_DIR) + "/" + page));
    std::string line, block;
    bool inside = false, wanted = false;
    while (std::getline(in, line)) {
        if (line.rfind("```", 0) == 0) {
            if (inside && wanted) blocks.push_back(block);
            wanted = !inside && line.substr(3) == language;
            inside = !inside;
            block.clear();
        } else if (inside) {
            block += line + "\n";
        }
    }
    return blocks;
}

// The lua code blocks of the README and of every page under docs/, by page.
std::vector<std::pair<std::string, std::string>> AllLuaBlocks() {
    std::vector<std::string> pages = {"README.md"};
    for (const char* folder : {"docs", "docs/api"})
        for (const auto& entry : std::filesystem::directory_iterator(std::string(KEST2D_SOURCE_DIR) + "/" + folder))
            if (entry.path().extension() == ".md") pages.push_back(std::string(folder) + "/" + entry.path().filename().string());
    std::vector<std::pair<std::string, std::string>> blocks;
    for (const std::string& page : pages)
        for (const std::string& block : CodeBlocks(page, "lua")) blocks.emplace_back(page, block);
    return blocks;
}

// The log's lines that report a failed call of the script: a callback that
// failed or is missing, or the main script.
std::string FailedCalls(const std::string& log) {
    std::istringstream in(log);
    std::string line, failed;
    while (std::getline(in, line))
        if ((line.find("call ") != std::string::npos && line.find(Gbk(" 失败:")) != std::string::npos) ||
            line.find(Gbk("导入脚本文件")) != std::string::npos)
            failed += line + "\n";
    return failed;
}

// Text with every `from` replaced by `to`.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

class Docs : public FrameFixture {
protected:
    void TearDown() override {
        KesLayoutProperties::SetReadLog(nullptr);
        FrameFixture::TearDown();
    }
};

}  // namespace

TEST_F(Docs, TheLayoutPageListsWhatTheLoaderReads) {
    std::vector<std::string> typeSections;
    const auto tables = LayoutTables(&typeSections);
    ASSERT_TRUE(tables.count("Common properties"));
    const std::vector<Row>& common = tables.at("Common properties");

    // Every control type of the loader has its section, and nothing else does.
    const std::vector<std::string> types = LayoutControlTypeNames();
    EXPECT_EQ(std::set<std::string>(types.begin(), types.end()),
              std::set<std::string>(typeSections.begin(), typeSections.end()));

    CKesBaseFrame* frame = StartFrame<PlainFrame>();
    Reads reads;
    KesLayoutProperties::SetReadLog(&reads);

    // The main layout's root (it replaces every child of the frame, so it
    // goes first), then a container's.
    std::vector<Row> mainRoot = common;
    const auto& mainTable = tables.at("The main layout (the frame's own `LoadGUIConfig`)");
    mainRoot.insert(mainRoot.end(), mainTable.begin(), mainTable.end());
    // The window keeps its size.
    WriteFile(GamePath("layout/main.xml"), Layout(Properties(mainRoot, {{"Width", "800"}, {"Height", "600"}}), ""));
    ASSERT_TRUE(frame->LoadGUIConfig("layout\\main.xml"));
    ExpectSameProperties("the common properties and the main layout's", mainRoot, reads);

    CKesBaseGUIContainer* container = frame->AddContainer(50, "panel", CKesRect<int>(0, 0, 400, 300), frame, true);
    ASSERT_NE(nullptr, container);
    reads.clear();
    WriteFile(GamePath("layout/root.xml"), Layout(Properties(common), ""));
    ASSERT_TRUE(container->LoadGUIConfig("layout\\root.xml"));
    std::vector<Row> containerRoot = common;
    const auto& containerTable = tables.at("The container (root of a container's layout)");
    containerRoot.insert(containerRoot.end(), containerTable.begin(), containerTable.end());
    ExpectSameProperties("the common properties and the container's", containerRoot, reads);
    const size_t rootReads = reads.size();

    // Each control type, loaded with every property its section lists.
    for (const std::string& type : types) {
        SCOPED_TRACE(type);
        auto it = tables.find(type);
        if (it == tables.end()) continue;  // reported above
        std::vector<Row> rows = common;
        rows.insert(rows.end(), it->second.begin(), it->second.end());
        WriteFile(GamePath("layout/" + type + ".xml"),
                  Layout(Properties(common), "<KestControl Type=\"" + type + "\" Name=\"ctl___\">" + Properties(rows) +
                                     "</KestControl>"));
        reads.clear();
        ASSERT_TRUE(container->LoadGUIConfig(("layout\\" + type + ".xml").c_str()));
        ASSERT_EQ(1u, container->GetChildrens().size());
        ASSERT_GE(reads.size(), rootReads);
        ExpectSameProperties("the common properties and " + type + "'s", rows,
                             Reads(reads.begin() + rootReads, reads.end()));
    }
}

TEST_F(Docs, TheApiReferenceListsWhatTheBindingRegisters) {
    // tools/apidoc/apidoc.lua regenerates the pages' generated parts from the
    // frame's own state and returns what differs, with the command that
    // rewrites them.
    LuaFrame* frame = StartFrame<LuaFrame>();
    lua_State* L = frame->State();
    ASSERT_NE(nullptr, L);
    const std::string tool = std::string(KEST2D_SOURCE_DIR) + "/tools/apidoc/apidoc.lua";
    const std::string chunk = ReadFile(tool);
    auto check = [&]() -> std::string {
        if (luaL_loadbuffer(L, chunk.data(), chunk.size(), ("@" + tool).c_str()) != 0) return lua_tostring(L, -1);
        for (const char* arg : {"check", KEST2D_SOURCE_DIR, KEST2D_API_DECLARATIONS}) lua_pushstring(L, arg);
        const int status = lua_pcall(L, 3, 1, 0);
        std::string result = lua_tostring(L, -1) ? lua_tostring(L, -1) : "(no result)";
        lua_settop(L, 0);
        return status == 0 ? result : "error: " + result;
    };
    const std::string problems = check();
    EXPECT_TRUE(problems.empty()) << problems;

    // What the live state binds is held against the package files: a name
    // that appears or goes behind their back is reported.
    const struct {
        const char* change;
        const char* undo;
        const char* reported;
    } cases[] = {
        {"rawset(kest2d.CKesColor, 'brighten', print)", "rawset(kest2d.CKesColor, 'brighten', nil)",
         "kest2d.CKesColor.brighten is bound but declared in no package file"},
        {"saved = rawget(kest2d.CKesColor, 'getRed') rawset(kest2d.CKesColor, 'getRed', nil)",
         "rawset(kest2d.CKesColor, 'getRed', saved)", "kest2d.CKesColor.getRed is declared but not bound"},
        {"kest2d.KEY_F25 = 136", "kest2d.KEY_F25 = nil", "the constant kest2d.KEY_F25 is bound but not declared"},
        {"toHelper.toKesThing = print", "toHelper.toKesThing = nil", "toHelper.toKesThing is bound"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        ASSERT_EQ(0, luaL_dostring(L, c.change));
        EXPECT_NE(std::string::npos, check().find(c.reported));
        ASSERT_EQ(0, luaL_dostring(L, c.undo));
    }
    EXPECT_EQ(problems, check());
}

TEST(DocsPages, TheCipherRuleOfTheProtocolPage) {
    // docs/protocol.md: received bytes are deciphered as 167 * b + 13 (mod
    // 256); sent bytes are enciphered as 23 * (b - 13) (mod 256).
    const std::string page = ReadFile(kDocs + "protocol.md");
    EXPECT_NE(std::string::npos, page.find("167 * b + 13"));
    EXPECT_NE(std::string::npos, page.find("23 * (b - 13)"));
    for (unsigned b = 0; b < 256; ++b) {
        EXPECT_EQ((167 * b + 13) & 0xFF, cipher::ReceiveTable()[b]);
        EXPECT_EQ((23 * (b + 256 - 13)) & 0xFF, cipher::SendTable()[b]);
    }
}

TEST(DocsPages, TheReadmeLinksEveryPage) {
    const std::string readme = ReadFile(std::string(KEST2D_SOURCE_DIR) + "/README.md");
    for (const char* page : {"layout.md", "protocol.md", "cards.md", "events.md", "start-command.md", "api.md"}) {
        EXPECT_TRUE(PathExists(kDocs + page)) << page;
        EXPECT_NE(std::string::npos, readme.find(std::string("(docs/") + page + ")")) << page;
    }
}

// Each example of the pages that a game maker can run is run here as the page
// shows it: as the game's script in a game folder holding the files it names,
// with the player's input given through the whole GUI tree, and no call of the
// script fails. A fragment, an example that starts with "-- Assumes:", runs
// with what it says it assumes put before it; every other example is a whole
// game and runs as it stands.
TEST_F(Docs, TheExamplesRunAsWritten) {
    using Player = PlayerInput<LuaFrame>;
    const std::string button = ReadFile(std::string(KEST2D_SOURCE_DIR) + "/examples/demo/img/button.png");
    const std::string emptyLayout = CodeBlocks("docs/api/gui.md", "xml").at(0);
    const std::string guiGame = CodeBlocks("docs/api/gui.md", "lua").at(0);
    const std::string toggleGame = CodeBlocks("docs/api/controls.md", "lua").at(0);
    const std::string dialogGame = CodeBlocks("docs/events.md", "lua").at(2);
    // The callbacks of the game around a fragment.
    const std::string callbacks =
        "function OnProcessGameUpdate() end\nfunction LoadGameResources() end\nfunction OnProcessGameEvent(e) end\n";
    const std::string labelLayout =
        Replaced(emptyLayout, "</Propertys>\n",
                 "</Propertys><Childrens><KestControl Type=\"StaticText\" Name=\"l___\"><Propertys>"
                 "<Property Name=\"Id\" Value=\"100\"/><Property Name=\"StartX\" Value=\"20\"/>"
                 "<Property Name=\"StartY\" Value=\"500\"/><Property Name=\"Width\" Value=\"300\"/>"
                 "<Property Name=\"Height\" Value=\"30\"/><Property Name=\"Visible\" Value=\"1\"/>"
                 "<Property Name=\"Enable\" Value=\"1\"/></Propertys></KestControl></Childrens>\n");
    // What the keys fragment of events.md assumes: a loaded layout with a
    // button and two edit boxes, and the game's sendLine.
    const std::string keysSetUp =
        "sent = ''\n"
        "function sendLine(id, text) sent = sent .. id .. ':' .. text .. ';' end\n"
        "function OnProcessGameUpdate() end\n"
        "function LoadGameResources()\n"
        "  local frame = kest2d.CKesBaseFrame:getSingleton()\n"
        "  local root = frame.__CKesBaseGUIContainer__\n"
        "  frame:LoadGUIConfig('layout\\\\empty.xml')\n"
        "  root:AddButton(201, 'b', kest2d.CKesRect_int_(20, 20, 140, 60)):SetBgImage("
        "frame:LoadTexture('img\\\\button.png'))\n"
        "  for i, id in ipairs({401, 402}) do\n"
        "    root:AddEditorBox(id, 'box', kest2d.CKesRect_int_(20, 60 + 40 * i, 220, 80 + 40 * i)):SetMaxCount(20)\n"
        "  end\n"
        "end\n";
    const std::map<std::string, std::string> withButton = {{"layout/empty.xml", emptyLayout},
                                                           {"img/button.png", button}};
    // The button of the gui.md game: whether it shows at (30, 40) and whether
    // a click there reaches the script, which hides the button.
    const auto playButton = [](bool drawn, bool clicked) {
        return [drawn, clicked](Player* f) {
            CKesBaseGUIElement* play = f->FindControlById(201);
            ASSERT_NE(nullptr, play);
            platform::RunFor(100);
            EXPECT_EQ(drawn, (f->GetRenderDevice()->ReadPixel(30, 40) & 0xFFFFFFu) != 0);
            EXPECT_EQ(0u, f->GetRenderDevice()->ReadPixel(400, 300) & 0xFFFFFFu);
            f->Click(30, 40);
            EXPECT_EQ(clicked, !play->isVisible());
        };
    };
    // The dialog of events.md opened, then Esc in the game loop: what the game
    // loop ends with (0: it did not end).
    const auto escWithMenu = [](int ends) {
        return [ends](Player* f) {
            f->Click(30, 40);
            ASSERT_NE(nullptr, f->FindControlById(500));
            EXPECT_TRUE(f->FindControlById(500)->isVisible());
            EXPECT_EQ(ends, f->RunTheLoop(VK_ESCAPE));
        };
    };
    LoopbackListener server;
    ASSERT_TRUE(server.ok());

    const struct {
        const char* name;
        std::string script;
        std::map<std::string, std::string> files;
        std::string command;
        std::function<void(Player*)> play;
    } examples[] = {
        {"README.md: a small but complete game",
         CodeBlocks("README.md", "lua").at(0),
         {{"layout/main.xml", labelLayout}},
         "port$1",
         [this](Player* f) {
             auto* label = dynamic_cast<CKesGUIStatic*>(f->FindControlById(100));
             ASSERT_NE(nullptr, label);
             platform::RunFor(200);
             EXPECT_EQ(0u, label->GetText().rfind("runs: 1, ticks: ", 0)) << label->GetText();
             EXPECT_NE(std::string::npos, ReadFile(GamePath("player.ini")).find("runs=1"));
             EXPECT_EQ(10009, f->RunTheLoop(VK_ESCAPE));
         }},
        {"api/gui.md: a button built in code", guiGame, withButton, "", playButton(true, true)},
        {"api/gui.md without the button's picture: the click is lost",
         Replaced(guiGame, "play:SetBgImage", "local unused = play.SetBgImage --"), withButton, "",
         playButton(true, false)},
        {"api/gui.md without the empty layout: a black window",
         Replaced(guiGame, "frame:LoadGUIConfig", "local unused = frame.LoadGUIConfig --"), withButton, "",
         playButton(false, true)},
        {"events.md: keys that work after a click, and Return in an edit box",
         keysSetUp + CodeBlocks("docs/events.md", "lua").at(1),
         withButton,
         "",
         [](Player* f) {
             f->Click(30, 150);  // into box 402
             f->Type("hi");
             f->Key(VK_RETURN);
             EXPECT_EQ("402:hi;", f->Global("sent"));
             auto* play = dynamic_cast<CKesGUIButton*>(f->FindControlById(201));
             ASSERT_NE(nullptr, play);
             f->Mouse(KESMIE_MOUSE_MOVED, 30, 40);  // hovered, then left
             f->Mouse(KESMIE_MOUSE_MOVED, 400, 300);
             EXPECT_EQ(STATE_NORMAL, play->GetState());
             f->Click(30, 40);
             EXPECT_EQ(10009, f->RunTheLoop(VK_ESCAPE));  // the pointer still on the button
         }},
        {"api/frame.md: a message once connected",
         Replaced(CodeBlocks("docs/api/frame.md", "lua").at(0), "5000", std::to_string(server.port())),
         {},
         "",
         [&server](Player*) {
             auto got = std::async(std::launch::async, [&server] {
                 const int fd = server.Accept();
                 const std::string bytes = fd < 0 ? "" : ServerDecipher(RecvExact(fd, 10));
                 if (fd >= 0) ::close(fd);
                 return bytes;
             });
             EXPECT_TRUE(PumpUntil([&] { return got.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
             const std::string bytes = got.get();
             ASSERT_EQ(10u, bytes.size());
             CKesMessageIn in(bytes.data(), 10);
             EXPECT_EQ(1001, in.getId());
             EXPECT_EQ("player", in.readString(-1));
         }},
        {"api/frame.md: ending at once when the start fails",
         CodeBlocks("docs/api/frame.md", "lua").at(1),
         {},
         "",
         [](Player* f) { EXPECT_EQ(3, f->RunTheLoop()); }},
        {"api/frame.md: a finaliser at the end",
         CodeBlocks("docs/api/frame.md", "lua").at(2),
         {},
         "",
         [this](Player*) {
             mFrame.reset();
             EXPECT_NE(std::string::npos, ReadFile(GamePath("player.ini")).find("finished=1"));
             EXPECT_NE(std::string::npos, ReadLog().find("bye"));
         }},
        {"api.md: a box read through the frame",
         "local frame = kest2d.CKesBaseFrame:getSingleton()\n" + callbacks + CodeBlocks("docs/api.md", "lua").at(0),
         {},
         "",
         [](Player*) { EXPECT_NE(std::string::npos, ReadLog().find("img\\button.png did not load")); }},
        {"api/values.md", callbacks + CodeBlocks("docs/api/values.md", "lua").at(0) + "ran = true\n", {}, "",
         [](Player* f) { EXPECT_EQ("true", f->Global("ran")); }},
        {"start-command.md", callbacks + CodeBlocks("docs/start-command.md", "lua").at(0) + "ran = port .. user\n", {},
         "port$6000&user$ann", [](Player* f) { EXPECT_EQ("6000ann", f->Global("ran")); }},
        {"api/controls.md: an on/off box from a toggle button",
         toggleGame,
         {{"layout/options.xml", CodeBlocks("docs/api/controls.md", "xml").at(0)}, {"img/button.png", button}},
         "",
         [](Player* f) {
             auto* box = dynamic_cast<CKesGUIButton*>(f->FindControlById(210));
             ASSERT_NE(nullptr, box);
             EXPECT_EQ(STATE_DOWND, box->GetState());  // on, as the script starts it
             f->Mouse(KESMIE_MOUSE_MOVED, 30, 40);     // a hover changes nothing shown
             f->Mouse(KESMIE_MOUSE_MOVED, 400, 300);
             EXPECT_EQ(STATE_DOWND, box->GetState());
             f->Click(30, 40);
             f->Mouse(KESMIE_MOUSE_MOVED, 400, 300);
             EXPECT_EQ(STATE_NORMAL, box->GetState());  // off: the script lifted it
             EXPECT_EQ(0, f->MusicGetVolume());
             f->Click(30, 40);
             EXPECT_EQ(STATE_DOWND, box->GetState());
             EXPECT_EQ(100, f->MusicGetVolume());
         }},
        {"api/controls.md without the script showing the value: the toggle button alone",
         Replaced(toggleGame, "\n        showSound()", "\n        local unused = showSound"),
         {{"layout/options.xml", CodeBlocks("docs/api/controls.md", "xml").at(0)}, {"img/button.png", button}},
         "",
         [](Player* f) {
             auto* box = dynamic_cast<CKesGUIButton*>(f->FindControlById(210));
             ASSERT_NE(nullptr, box);
             f->Mouse(KESMIE_MOUSE_MOVED, 30, 40);  // before the first press: hovered, and left so
             f->Mouse(KESMIE_MOUSE_MOVED, 400, 300);
             EXPECT_EQ(STATE_HOVERED, box->GetState());
             f->Click(30, 40);
             EXPECT_EQ(STATE_DOWND, box->GetState());
             EXPECT_EQ(0, f->MusicGetVolume());
             f->Click(30, 40);  // a second press does not lift it
             f->Mouse(KESMIE_MOUSE_MOVED, 400, 300);
             EXPECT_EQ(STATE_DOWND, box->GetState());
             EXPECT_EQ(100, f->MusicGetVolume());
         }},
        {"events.md: a modal dialog, opened and closed",
         dialogGame,
         withButton,
         "",
         [](Player* f) {
             CKesBaseGUIElement* menu = f->FindControlById(500);
             ASSERT_NE(nullptr, menu);
             f->Click(30, 40);  // the menu's button
             EXPECT_TRUE(menu->isVisible());
             EXPECT_EQ(menu, f->GetCurrentElement());
             // Once the pointer has been over its "back" button, the table takes the mouse.
             f->Mouse(KESMIE_MOUSE_MOVED, 230, 180);
             f->Mouse(KESMIE_MOUSE_MOVED, 30, 40);
             EXPECT_EQ(f->FindControlById(201), f->GetCurrentElement());
             f->Click(230, 180);  // "back"
             EXPECT_FALSE(menu->isVisible());
             EXPECT_EQ(10009, f->RunTheLoop(VK_ESCAPE));
         }},
        {"events.md: Esc while the modal dialog shows", dialogGame, withButton, "", escWithMenu(0)},
        {"events.md without the script's check: Esc reaches it while the modal dialog shows",
         Replaced(dialogGame, "if menu:isVisible() then", "if false then"), withButton, "", escWithMenu(10009)},
    };
    for (const auto& example : examples) {
        SCOPED_TRACE(example.name);
        mFrame.reset();
        for (const auto& entry : std::filesystem::directory_iterator(mGame->path()))
            std::filesystem::remove_all(entry.path());
        WriteFile(GamePath("scripts/gamelogic.lua"), example.script);
        for (const auto& file : example.files) WriteFile(GamePath(file.first), file.second);
        Player* f = StartFrame<Player>(example.command);
        example.play(f);
        // The player's input reaches the script too, unless the example
        // ended its frame.
        if (mFrame) {
            f->Mouse(KESMIE_MOUSE_MOVED, 799, 599);
            f->Key(VK_F5);
        }
        EXPECT_EQ("", FailedCalls(ReadLog()));
        if (HasFailure()) std::printf("%s\n", ReadLog().c_str());
    }

    // Every example that is no fragment is run above as it stands (with the
    // test's server for the one that connects).
    for (const auto& block : AllLuaBlocks()) {
        if (block.second.rfind("-- Assumes:", 0) == 0) continue;
        const std::string served = Replaced(block.second, "5000", std::to_string(server.port()));
        bool run = false;
        for (const auto& example : examples)
            run = run || example.script.rfind(block.second, 0) == 0 || example.script.rfind(served, 0) == 0;
        EXPECT_TRUE(run) << block.first << ": a whole game that no row of this test runs (or a fragment without "
                         << "\"-- Assumes:\" on its first line):\n" << block.second;
    }
}
