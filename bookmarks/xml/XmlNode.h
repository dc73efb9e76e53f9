// A small DOM-shaped tree for the bookmark file and the site list: element,
// text and comment nodes, children by position, UTF-16 strings. Nothing here recurses on depth, so
// hostile nesting cannot overflow the stack.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
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

// Takes memory from a pool, or from the heap where there is none. Memory
// from a pool goes back with the pool.
template <class T>
class XmlPoolAllocator {
public:
    using value_type = T;
    explicit XmlPoolAllocator(XmlNodePool* pool = nullptr) : pool_(pool) {}
    template <class U>
    XmlPoolAllocator(const XmlPoolAllocator<U>& other) : pool_(other.Pool()) {}
    T* allocate(std::size_t n) {
        return pool_ ? static_cast<T*>(pool_->Allocate(n * sizeof(T))) : std::allocator<T>().allocate(n);
    }
    void deallocate(T* p, std::size_t n) {
        if (!pool_) std::allocator<T>().deallocate(p, n);
    }
    XmlNodePool* Pool() const { return pool_; }
    template <class U>
    bool operator==(const XmlPoolAllocator<U>& other) const {
        return pool_ == other.Pool();
    }
    template <class U>
    bool operator!=(const XmlPoolAllocator<U>& other) const {
        return pool_ != other.Pool();
    }

private:
    XmlNodePool* pool_;
};

// One attribute of an element: views of the characters the node keeps.
struct XmlAttribute {
    std::u16string_view name;
    std::u16string_view value;
};

class XmlNode {
public:
    enum class Kind : unsigned char { Element, Text, Comment };

    // Each node keeps its characters right behind it, in the same block.
    static std::unique_ptr<XmlNode> MakeElement(std::u16string_view name);
    static std::unique_ptr<XmlNode> MakeText(std::u16string_view text);
    // The same in `pool`. Such a node is freed with the pool, so it must go
    // into a tree whose root (made without a pool) comes to own the pool.
    static std::unique_ptr<XmlNode> MakeElement(std::u16string_view name, XmlNodePool& pool);
    static std::unique_ptr<XmlNode> MakeText(std::u16string_view text, XmlNodePool& pool);
    // An element with attributes, kept behind its name; and a comment.
    static std::unique_ptr<XmlNode> MakeElement(std::u16string_view name, const std::vector<XmlAttribute>& attributes);
    static std::unique_ptr<XmlNode> MakeElement(std::u16string_view name, const std::vector<XmlAttribute>& attributes,
                                                XmlNodePool& pool);
    static std::unique_ptr<XmlNode> MakeComment(std::u16string_view text);
    static std::unique_ptr<XmlNode> MakeComment(std::u16string_view text, XmlNodePool& pool);
    // Makes this node, the root of its tree, the owner of its nodes' pool.
    // Every node below it must come from that pool (std::logic_error
    // otherwise): the tree then goes with the pool, without a visit to
    // each node.
    void AdoptPool(std::unique_ptr<XmlNodePool> pool);

    // Each node records whether it came from a pool; deleting a pooled
    // node runs its destructor and leaves the memory to the pool.
    static void operator delete(void* p) noexcept;

    XmlNode(const XmlNode&) = delete;
    XmlNode& operator=(const XmlNode&) = delete;
    ~XmlNode();

    bool IsElement() const { return kind_ == Kind::Element; }
    bool IsComment() const { return kind_ == Kind::Comment; }
    // Element name; empty for a text node.
    std::u16string_view Name() const { return kind_ == Kind::Element ? Chars() : std::u16string_view(); }
    // A text node's own characters; empty for an element.
    std::u16string_view Value() const { return kind_ == Kind::Text ? Chars() : std::u16string_view(); }
    // A comment's characters (between "<!--" and "-->"); empty for others.
    std::u16string_view CommentText() const { return kind_ == Kind::Comment ? Chars() : std::u16string_view(); }

    // An element's attributes in the order they were given; none for others.
    std::size_t AttributeCount() const { return hasAttributes_ ? Word(0) : 0; }
    // index < AttributeCount().
    XmlAttribute AttributeAt(std::size_t index) const;
    // The value of the attribute so named; none when there is no such one.
    std::optional<std::u16string_view> Attribute(std::u16string_view name) const;

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
    // always is; none where Text() has to join pieces.
    std::optional<std::u16string_view> SingleText() const;

private:
    // Room for a node's characters behind it.
    struct Trailing {
        std::size_t bytes;
    };
    static Trailing RoomFor(std::u16string_view chars);
    static Trailing RoomFor(std::u16string_view name, const std::vector<XmlAttribute>& attributes);
    static void* operator new(std::size_t size, Trailing chars);
    static void* operator new(std::size_t size, XmlNodePool& pool, Trailing chars);
    static void operator delete(void* p, Trailing chars) noexcept;
    static void operator delete(void* p, XmlNodePool& pool, Trailing chars) noexcept;

    XmlNode(Kind kind, std::u16string_view chars, XmlNodePool* home);
    const char16_t* Base() const { return reinterpret_cast<const char16_t*>(this + 1); }
    std::u16string_view Chars() const { return {Base(), size_}; }
    // Attributes follow the name: a count, then for each its start (in
    // units from Base()), name length and value length, then the
    // characters. Each number is 32 bits in two units.
    void StoreAttributes(const std::vector<XmlAttribute>& attributes);
    std::uint32_t Word(std::size_t index) const {
        std::uint32_t word;
        std::memcpy(&word, Base() + size_ + 2 * index, sizeof word);
        return word;
    }

    std::unique_ptr<XmlNode>& Slot(std::size_t index) {
        return index < kInlineChildren ? inline_[index] : more_[index - kInlineChildren];
    }
    void Adopt(std::unique_ptr<XmlNode> child);
    void MoveChildrenTo(std::vector<std::unique_ptr<XmlNode>>& list);

    // Destroyed last, after every node that lives in it.
    std::unique_ptr<XmlNodePool> pool_;
    XmlNodePool* home_;  // the pool this node lives in, if any
    XmlNode* parent_ = nullptr;
    // Counts in 32 bits keep a node small; MakeElement and MakeText refuse
    // a string longer than that.
    std::uint32_t size_;  // of the characters behind the node
    std::uint32_t indexInParent_ = 0;
    // The first children inline, the rest in a vector: most elements of a
    // bookmark file have one or two children and so need no allocation.
    static constexpr std::size_t kInlineChildren = 2;
    std::uint32_t childCount_ = 0;
    Kind kind_;
    bool hasAttributes_ = false;  // in the padding after kind_
    std::unique_ptr<XmlNode> inline_[kInlineChildren];
    using Children = std::vector<std::unique_ptr<XmlNode>, XmlPoolAllocator<std::unique_ptr<XmlNode>>>;
    Children more_;  // in the node's pool, if it has one
};

// A parsed or built document: the root element (the declaration is not kept).
struct XmlDocument {
    std::unique_ptr<XmlNode> root;
    // Comments before and after the root, where a parse keeps comments.
    std::vector<std::unique_ptr<XmlNode>> before;
    std::vector<std::unique_ptr<XmlNode>> after;
};

}  // namespace vesko
