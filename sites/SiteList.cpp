#include "sites/SiteList.h"

#include "bookmarks/xml/XmlParser.h"
#include "sites/XmlUtf8Writer.h"

#include <utility>

namespace vesko {
namespace {

constexpr std::u16string_view kRoot = u"site-list";
constexpr std::u16string_view kSite = u"site";
constexpr std::u16string_view kOpenIn = u"open-in";

std::string Utf8(const std::u16string& text) {
    XmlUtf8Writer out;
    out.Name(text);
    return out.Finish();
}

bool IsXmlSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }

bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k) {
        auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 0x20) : c; };
        if (lower(a[k]) != lower(b[k])) return false;
    }
    return true;
}

// Letter case and surrounding spaces aside, as hand-written lists vary.
SiteEngine EngineNamed(std::u16string_view name) {
    while (!name.empty() && IsXmlSpace(name.front())) name.remove_prefix(1);
    while (!name.empty() && IsXmlSpace(name.back())) name.remove_suffix(1);
    if (EqualsIgnoringAsciiCase(name, u"IE11")) return SiteEngine::InternetExplorer;
    if (EqualsIgnoringAsciiCase(name, u"MSEdge")) return SiteEngine::Gecko;
    return SiteEngine::None;
}

std::string_view EngineName(SiteEngine engine) {
    switch (engine) {
    case SiteEngine::InternetExplorer: return "IE11";
    case SiteEngine::Gecko: return "MSEdge";
    case SiteEngine::None: break;
    }
    return "None";
}

// Text other than spaces among an element's children.
bool HoldsText(const XmlNode& element) {
    for (std::size_t k = 0; k < element.ChildCount(); ++k) {
        const XmlNode& child = *element.ChildAt(k);
        if (!child.IsElement() && !child.IsComment() &&
            child.Value().find_first_not_of(u" \t\n\r") != std::u16string_view::npos)
            return true;
    }
    return false;
}

bool IsElementNamed(const XmlNode& node, std::u16string_view name) { return node.IsElement() && node.Name() == name; }

const XmlNode* FirstOpenIn(const XmlNode& site) {
    for (std::size_t k = 0; k < site.ChildCount(); ++k) {
        if (IsElementNamed(*site.ChildAt(k), kOpenIn)) return site.ChildAt(k);
    }
    return nullptr;
}

SiteRule ReadRule(const XmlNode& site) {
    SiteRule rule;
    rule.url = std::u16string(site.Attribute(u"url").value_or(std::u16string_view()));
    rule.site = ParseSiteUrl(rule.url);
    if (const XmlNode* openIn = FirstOpenIn(site)) rule.engine = EngineNamed(openIn->Text());
    return rule;
}

// A rule the program makes must be one that can match.
SiteRule NewRule(std::u16string_view url, SiteEngine engine) {
    SiteRule rule;
    rule.url = std::u16string(url);
    rule.engine = engine;
    std::u16string why;
    rule.site = ParseSiteUrl(url, &why);
    if (!rule.site) throw SiteListError(why);
    return rule;
}

std::u16string RootMessage(std::u16string_view name) {
    if (name == u"rules")
        return u"第 1 版のサイト一覧 (<rules>) には対応していません。第 2 版 (<site-list>) で書いてください";
    return u"ルート要素が <site-list> ではなく <" + std::u16string(name) + u"> です";
}

void WriteOpenIn(XmlUtf8Writer& out, const XmlNode* asRead, SiteEngine engine) {
    if (asRead)
        out.StartTag(*asRead);
    else
        out.Markup("<open-in");
    out.Markup(">");
    out.Markup(EngineName(engine));
    out.Markup("</open-in>");
}

}  // namespace

SiteListError::SiteListError(std::u16string message, std::size_t line, std::size_t column)
    : std::runtime_error(Utf8(message)), message_(std::move(message)), line_(line), column_(column) {}

SiteList SiteList::Parse(std::string_view bytes) {
    // Notepad's "Unicode": said plainly, rather than as a stray byte.
    if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF")
        throw SiteListError(u"UTF-16 で保存されています。UTF-8 で保存してください", 1, 1);
    XmlParseOptions options;
    options.attributes = true;
    options.comments = true;
    options.dashesInComments = true;
    XmlParseResult parsed = ParseXml(bytes, options);
    if (!parsed.Ok()) throw SiteListError(parsed.error.message, parsed.error.line, parsed.error.column);
    const XmlNode& root = *parsed.document.root;
    if (root.Name() != kRoot) throw SiteListError(RootMessage(root.Name()));
    SiteList list;
    for (std::size_t k = 0; k < root.ChildCount(); ++k) {
        const XmlNode& child = *root.ChildAt(k);
        if (!IsElementNamed(child, kSite)) continue;
        list.rules_.push_back(ReadRule(child));
        list.origins_.push_back(Origin{&child});
    }
    // The nodes stay where they are: the list now owns them.
    list.document_ = std::move(parsed.document);
    return list;
}

void SiteList::Add(std::u16string_view url, SiteEngine engine) {
    SiteRule rule = NewRule(url, engine);
    origins_.emplace_back();
    rules_.push_back(std::move(rule));
}

void SiteList::Replace(std::size_t index, std::u16string_view url, SiteEngine engine) {
    SiteRule& rule = rules_.at(index);
    SiteRule changed = NewRule(url, engine);
    Origin& origin = origins_[index];
    origin.urlChanged = origin.urlChanged || changed.url != rule.url;
    origin.engineChanged = origin.engineChanged || changed.engine != rule.engine;
    rule = std::move(changed);
}

void SiteList::Remove(std::size_t index) {
    if (index >= rules_.size()) throw std::out_of_range("no such site rule");
    rules_.erase(rules_.begin() + static_cast<std::ptrdiff_t>(index));
    origins_.erase(origins_.begin() + static_cast<std::ptrdiff_t>(index));
}

std::string SiteList::Write() const {
    XmlUtf8Writer out;
    out.Markup("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    for (const auto& comment : document_.before) {
        out.Comment(comment->CommentText());
        out.Markup("\n");
    }
    const XmlNode* root = document_.root.get();
    if (root)
        out.StartTag(*root);
    else
        out.Markup("<site-list version=\"1\"");
    out.Markup(">");
    // Text beside the rules is kept where it stands, and then nothing is
    // laid out; spaces alone are only layout.
    WriteChildren(out, !(root && HoldsText(*root)));
    out.Markup("</site-list>\n");
    for (const auto& comment : document_.after) {
        out.Comment(comment->CommentText());
        out.Markup("\n");
    }
    return out.Finish();
}

// The root's children as read, with the rules in place of their sites (a
// site whose rule was removed is left out), then the rules added.
void SiteList::WriteChildren(XmlUtf8Writer& out, bool laidOut) const {
    std::size_t next = 0;  // the next rule read from the file
    bool any = false;
    for (std::size_t k = 0; document_.root && k < document_.root->ChildCount(); ++k) {
        const XmlNode& child = *document_.root->ChildAt(k);
        if (IsElementNamed(child, kSite)) {
            if (next == origins_.size() || origins_[next].element != &child) continue;  // removed
            if (laidOut) out.NewLine(1);
            WriteSite(out, next++);
        } else {
            if (laidOut && !child.IsElement() && !child.IsComment()) continue;
            if (laidOut) out.NewLine(1);
            out.Subtree(child, 1, laidOut);
        }
        any = true;
    }
    // Those read come first, then those added.
    for (; next < rules_.size(); ++next) {
        if (laidOut) out.NewLine(1);
        WriteSite(out, next);
        any = true;
    }
    if (laidOut && any) out.NewLine(0);
}

// As read, but for a changed url or engine; open-in keeps its attributes.
void SiteList::WriteSite(XmlUtf8Writer& out, std::size_t index) const {
    const SiteRule& rule = rules_[index];
    const Origin& origin = origins_[index];
    const XmlNode* site = origin.element;
    const XmlNode* openIn = site ? FirstOpenIn(*site) : nullptr;
    const bool urlAsRead = site && !origin.urlChanged;
    const bool engineAsRead = site && !origin.engineChanged;
    out.Markup("<site");
    if (!urlAsRead && !(site && site->Attribute(u"url"))) out.Attribute(u"url", rule.url);
    for (std::size_t k = 0; site && k < site->AttributeCount(); ++k) {
        const XmlAttribute attribute = site->AttributeAt(k);
        out.Attribute(attribute.name, !urlAsRead && attribute.name == u"url" ? rule.url : attribute.value);
    }
    const bool addOpenIn = !engineAsRead && !openIn;
    const std::size_t children = site ? site->ChildCount() : 0;
    if (children == 0 && !addOpenIn) {
        out.Markup("/>");
        return;
    }
    out.Markup(">");
    const bool laidOut = !site || XmlUtf8Writer::LaysOutChildren(*site);
    for (std::size_t k = 0; k < children; ++k) {
        const XmlNode& child = *site->ChildAt(k);
        if (laidOut) out.NewLine(2);
        if (&child == openIn && !engineAsRead)
            WriteOpenIn(out, openIn, rule.engine);
        else
            out.Subtree(child, 2, laidOut);
    }
    if (addOpenIn) {
        if (laidOut) out.NewLine(2);
        WriteOpenIn(out, nullptr, rule.engine);
    }
    if (laidOut) out.NewLine(1);
    out.Markup("</site>");
}

}  // namespace vesko
