// Layout files: the XML that describes a container and the controls in it.
// The container and the frame load them with LoadGUIConfig; this header holds
// what both loaders share: the value forms, the common properties, the problem
// log of one load, and the table of control types.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "frame/types/Kest2dColor.h"
#include "frame/types/Kest2dDimension2d.h"
#include "frame/types/Kest2dRect.h"

class TiXmlElement;

namespace kest2d {

class CKesBaseFrame;
class CKesBaseGUIContainer;
class CKesBaseGUIElement;
class CKesGUIBaseFont;
class KesXmlDocument;

// The leading decimal number of a text (sign allowed, leading blanks skipped),
// 0 when there is none; numbers beyond the int range are held at its ends.
int LayoutInteger(const std::string& text);
// A floating-point number, 0 when there is none (or it is not finite).
double LayoutDecimal(const std::string& text);
// The text without its last three characters (a double-byte character counts
// as one); a text of fewer than three characters stays whole.
std::string LayoutTrimmed(const std::string& text);
// The three characters that the loader drops, appended by the writer.
extern const char* const kLayoutTextFiller;

// The "Propertys" of one "KestControl" element, by name; a property given
// twice keeps its last value. Values of a UTF-8 file are turned into GBK.
class KesLayoutProperties {
public:
    void Read(const TiXmlElement* control, bool utf8);

    bool Has(const std::string& name) const { return mValues.count(name) != 0; }
    // The raw value, "" when absent.
    std::string Value(const std::string& name) const;
    int Integer(const std::string& name, int absent = 0) const;
    bool Flag(const std::string& name, bool absent = false) const;
    double Decimal(const std::string& name) const;
    // "TipText", "Text" and "Message" lose their last three characters.
    std::string Text(const std::string& name) const;
    // Colours are alpha;red;green;blue; pairs two integers; both false (and
    // `out` untouched) unless the value splits into exactly that many pieces.
    // Pair values are held within +-1000000, as positions are.
    bool Colour(const std::string& name, CKesColor& out, CKesBaseGUIContainer& parser) const;
    bool Pair(const std::string& name, CKesDimension2d<int>& out, CKesBaseGUIContainer& parser) const;
    std::vector<std::string> List(const std::string& name, CKesBaseGUIContainer& parser) const;

    // Notes every property that loads read from now on, as its name and the
    // form it was read in ("integer", "flag", "decimal", "text", "colour",
    // "pair", "list", or "value" for a name or path taken as it stands), so
    // that tools can list what each control type reads. Null (the default)
    // notes nothing. UI thread only.
    static void SetReadLog(std::vector<std::pair<std::string, std::string>>* log);

private:
    // The raw value without noting the read.
    std::string Raw(const std::string& name) const;
    void Note(const std::string& name, const char* form) const;

    std::map<std::string, std::string> mValues;
};

// An element's attribute as text ("" when missing), GBK.
std::string LayoutAttribute(const TiXmlElement* element, const char* name, bool utf8);

// The common properties. The integers and flags of controls carry over from
// one control to the next when a control leaves them out. Positions and sizes
// are held within +-1000000 pixels.
struct KesLayoutCommon {
    int id = 0;
    int startX = 0;
    int startY = 0;
    int width = 0;
    int height = 0;
    std::string tipText;
    bool visible = false;
    bool enable = false;

    void Read(const KesLayoutProperties& properties);
};

// One load of one layout file: loads what the file references and reports
// each problem (missing texture, font, unknown type) once.
class KesLayoutLoad {
public:
    KesLayoutLoad(CKesBaseFrame* frame, std::string file, bool utf8);

    CKesBaseFrame* Frame() const { return mFrame; }
    const std::string& File() const { return mFile; }
    bool IsUtf8() const { return mUtf8; }
    // A texture handle for a resource name; 0 (and one log line) when missing.
    unsigned long Texture(const std::string& name);
    // The font of a control: (control name, size, file) when a file is given,
    // else ("DefaultFont", size, ""). Null (and one log line) when missing.
    CKesGUIBaseFont* Font(const std::string& controlName, int size, const std::string& file);
    // Logs `message` at WARN unless `key` was reported before in this load.
    void Problem(const std::string& key, const std::string& message);

private:
    CKesBaseFrame* mFrame;
    std::string mFile;
    bool mUtf8;
    std::set<std::string> mReported;
};

// A control type that layouts may name. Adding a type is one entry in the
// table of Kest2dGUILayoutTypes.cpp.
struct KesLayoutControlType {
    const char* type;
    // The factory: makes the control in `container` under `parent`.
    CKesBaseGUIElement* (*create)(CKesBaseGUIContainer& container, int id, const std::string& name,
                                  const CKesRect<int>& rect, CKesBaseGUIElement* parent);
    // Gives the control its tip text; null for a type that takes none.
    void (*setTipText)(CKesBaseGUIElement& control, const std::string& tipText);
    // The type's own properties, applied after the common ones; may be null.
    void (*apply)(CKesBaseGUIElement& control, const KesLayoutProperties& properties, const KesLayoutCommon& common,
                  CKesBaseGUIContainer& parser, KesLayoutLoad& load);
};

// The entry of a type name, null when layouts cannot name it.
const KesLayoutControlType* FindLayoutControlType(const std::string& type);
// Adds a type (or replaces the entry of the same name) at run time.
void RegisterLayoutControlType(const KesLayoutControlType& type);
// The names of every type that layouts may name, in the table's order.
std::vector<std::string> LayoutControlTypeNames();

// Reads a layout file through the frame's resource loader and parses it.
// False when nothing comes back (silently) or when it does not parse (logged
// with the file's name). A file that declares UTF-8 over GBK text is read as
// GBK, with one warning naming the file.
bool ReadLayoutDocument(CKesBaseFrame* frame, const char* fileName, KesXmlDocument& document);

// Makes the controls listed under a "Childrens" element in `parent`.
bool LoadControlsFromTheNode(CKesBaseGUIContainer* parent, TiXmlElement* node, KesLayoutLoad& load);

// The root "KestControl" of a layout document, which describes the container
// (or the frame) that loads the file.
struct KesLayoutRoot {
    TiXmlElement* element = nullptr;
    bool utf8 = false;
    std::string name;
    KesLayoutProperties properties;
    KesLayoutCommon common;

    // Reads the root's name and properties; false (and nothing read) when the
    // document has no root or the root is not a "Container".
    bool Read(KesXmlDocument& document);
    // Makes the controls listed under the root's "Childrens" in `parent`.
    void LoadChildren(CKesBaseGUIContainer* parent, KesLayoutLoad& load);
};

}  // namespace kest2d
