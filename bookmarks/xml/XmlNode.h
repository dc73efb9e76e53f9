// A small DOM-shaped tree for the bookmark file: element and text nodes,
// children by position, UTF-16 strings. Nothing here recurses on depth, so
// hostile nesting cannot overflow the stack.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace vesko {

// Memory for the nodes of one parsed tree, taken in large blocks and given
// back all at once: a parser makes a node per element and per text, and one
// allocation each would cost more than the parse.
class XmlNodePool {
public:
    XmlNodePool() = default;
    XmlNodePool(const XmlNodePool&) = delete;
    XmlNodePool& operator=(const XmlNodePool&) = delete;

    void* Allocate(std::size_t size);

private:
    std::vector<std::unique_ptr<unsigned char[]>> blocks_;
    std::size_t used_ = 0;
    std::size_t blockSize_ = 0;
};

class XmlNode {
public:
    enum class Kind { Element, Text };

    static std::unique_ptr<XmlNode> MakeElement(std::u16string name);
    static std::unique_ptr<XmlNode> MakeText(std::u16string text);
    // The same in `pool`. Such a node is freed with the pool, so it must go
    // into a tree whose root (made without a pool) comes to own the pool.
    static std::unique_ptr<XmlNode> MakeElement(std::u16string name, XmlNodePool& pool);
    static std::unique_ptr<XmlNode> MakeText(std::u16string text, XmlNodePool& pool);
    // Makes this node, the root of its tree, the owner of its nodes' pool.
    void AdoptPool(std::unique_ptr<XmlNodePool> pool) { pool_ = std::move(pool); }

    // Each node records whether it came from a pool; deleting a pooled
    // node runs its destructor and leaves the memory to the pool.
    static void* operator new(std::size_t size);
    static void* operator new(std::size_t size, XmlNodePool& pool);
    static void operator delete(void* p) noexcept;
    static void operator delete(void* p, XmlNodePool& pool) noexcept;

    XmlNode(const XmlNode&) = delete;
    XmlNode& operator=(const XmlNode&) = delete;
    ~XmlNode();

    bool IsElement() const { return kind_ == Kind::Element; }
    // Element name; empty for a text node.
    const std::u16string& Name() const { return kind_ == Kind::Element ? value_ : Empty(); }
    // A text node's own characters; empty for an element.
    const std::u16string& Value() const { return kind_ == Kind::Text ? value_ : Empty(); }

    XmlNode* Parent() const { return parent_; }
    std::size_t ChildCount() const { return childCount_; }
    // nullptr when index is out of range, like a DOM list's item().
    XmlNode* ChildAt(std::size_t index) const;
    XmlNode* FirstChild() const { return ChildAt(0); }
    XmlNode* LastChild() const;
    XmlNode* NextSibling() const;

    // Takes ownership and returns the appended node.
    XmlNode& AppendChild(std::unique_ptr<XmlNode> child);
    // Takes ownership of the nodes of [first, last), appended in order, with
    // one allocation: a parser that knows all children at once uses it.
    void AppendChildren(std::unique_ptr<XmlNode>* first, std::unique_ptr<XmlNode>* last);

    // The concatenated text of all descendant text nodes in document order
    // (a text node's own value), like the DOM's `text` without trimming.
    std::u16string Text() const;
    // The same text without a copy where it is one piece, as it nearly
    // always is; null where Text() has to join pieces.
    const std::u16string* SingleText() const;

private:
    XmlNode(Kind kind, std::u16string value) : kind_(kind), value_(std::move(value)) {}
    static const std::u16string& Empty();

    std::unique_ptr<XmlNode>& Slot(std::size_t index) {
        return index < kInlineChildren ? inline_[index] : more_[index - kInlineChildren];
    }
    void Adopt(std::unique_ptr<XmlNode> child);
    void MoveChildrenTo(std::vector<std::unique_ptr<XmlNode>>& list);

    // Destroyed last, after every node that lives in it.
    std::unique_ptr<XmlNodePool> pool_;
    Kind kind_;
    std::u16string value_;
    XmlNode* parent_ = nullptr;
    std::size_t indexInParent_ = 0;
    // The first children inline, the rest in a vector: most elements of a
    // bookmark file have one or two children and so need no allocation.
    static constexpr std::size_t kInlineChildren = 2;
    std::size_t childCount_ = 0;
    std::unique_ptr<XmlNode> inline_[kInlineChildren];
    std::vector<std::unique_ptr<XmlNode>> more_;
};

// A parsed or built document: the root element (the declaration is not kept).
struct XmlDocument {
    std::unique_ptr<XmlNode> root;
};

}  // namespace vesko
