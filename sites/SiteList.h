// sites.xml: the rules that say which engine opens which sites, in the
// layout of the enterprise site list (version 2):
//
//   <site-list version="N">
//     <site url="example.co.jp/intranet">
//       <compat-mode>...</compat-mode>
//       <open-in>IE11</open-in>
//     </site>
//   </site-list>
//
// Each <site> directly inside the root is a rule. Its `url` is read by
// ParseSiteUrl; its first <open-in> says the engine. Everything else - the
// version, compat-mode, other elements, attributes and comments - is kept
// as read and written back as it was.
#pragma once

#include "bookmarks/xml/XmlNode.h"
#include "sites/SiteUrl.h"

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vesko {

class XmlUtf8Writer;

// open-in: "IE11", "MSEdge" (here the Gecko engine) or "None". Any other
// value, or none, leaves a window in the engine it has.
enum class SiteEngine { None, InternetExplorer, Gecko };

struct SiteRule {
    std::u16string url;  // as written in the file
    SiteEngine engine = SiteEngine::None;
    // What url names; none when it is not host[:port][/path]. Such a rule
    // stays in the file but never matches.
    std::optional<SiteUrl> site;

    bool operator==(const SiteRule& other) const {
        return url == other.url && engine == other.engine && site == other.site;
    }
    bool operator!=(const SiteRule& other) const { return !(*this == other); }
};

// A file that is not a site list, or a url that cannot be a rule's. The
// message says what is wrong; Line() and Column() (1-based) say where in
// the file, and are 0 when the fault is not at one place.
class SiteListError : public std::runtime_error {
public:
    explicit SiteListError(std::u16string message, std::size_t line = 0, std::size_t column = 0);
    const std::u16string& Message() const { return message_; }
    std::size_t Line() const { return line_; }
    std::size_t Column() const { return column_; }

private:
    std::u16string message_;
    std::size_t line_;
    std::size_t column_;
};

class SiteList {
public:
    // No rules, as when there is no file.
    SiteList() = default;
    // Reads the bytes of sites.xml (UTF-8, with or without a byte order
    // mark or declaration). Raises SiteListError when they are not well
    // formed XML or their root is not <site-list>.
    static SiteList Parse(std::string_view bytes);

    // In file order; rules added since come last.
    const std::vector<SiteRule>& Rules() const { return rules_; }

    // A url that cannot be a rule's raises SiteListError saying why; an
    // index out of range raises std::out_of_range. A rule added is written
    // as <site url="..."><open-in>...</open-in></site>.
    void Add(std::u16string_view url, SiteEngine engine);
    void Replace(std::size_t index, std::u16string_view url, SiteEngine engine);
    void Remove(std::size_t index);

    // The whole file: UTF-8 with a declaration, laid out afresh, with all
    // that was read and not changed written as it was.
    std::string Write() const;

private:
    // Where a rule came from; no element for one added since.
    struct Origin {
        const XmlNode* element = nullptr;
        bool urlChanged = false;
        bool engineChanged = false;
    };

    void WriteChildren(XmlUtf8Writer& out, bool laidOut) const;
    void WriteSite(XmlUtf8Writer& out, std::size_t index) const;

    XmlDocument document_;  // as read; no root for a new list
    std::vector<SiteRule> rules_;
    std::vector<Origin> origins_;  // one for each rule
};

}  // namespace vesko
