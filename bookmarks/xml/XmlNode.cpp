#include "bookmarks/xml/XmlNode.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

namespace vesko {

namespace {

// Ahead of every node, saying where its memory came from; as large as the
// node's alignment, so that the node after it stays aligned.
constexpr std::size_t kHeader = alignof(XmlNode);
constexpr unsigned char kFromHeap = 0;
constexpr unsigned char kFromPool = 1;
constexpr std::size_t kFirstBlock = 16 * 1024;
constexpr std::size_t kLargestBlock = 1024 * 1024;

void* Mark(void* memory, unsigned char origin) {
    auto* bytes = static_cast<unsigned char*>(memory);
    bytes[0] = origin;
    return bytes + kHeader;
}

std::size_t Aligned(std::size_t size) { return (size + kHeader - 1) / kHeader * kHeader; }

}  // namespace

void* XmlNodePool::Allocate(std::size_t size) {
    size = Aligned(size);
    if (blocks_.empty() || blockSize_ - used_ < size) {
        // Blocks double up to a limit, so that small trees stay small.
        blockSize_ = std::max(size, blocks_.empty() ? kFirstBlock : std::min(blockSize_ * 2, kLargestBlock));
        // Not zeroed: every byte handed out is written before it is read.
        blocks_.push_back(std::unique_ptr<unsigned char[]>(new unsigned char[blockSize_]));
        used_ = 0;
    }
    void* memory = blocks_.back().get() + used_;
    used_ += size;
    return memory;
}

void* XmlNode::operator new(std::size_t size, Trailing chars) {
    void* memory = std::malloc(kHeader + size + chars.bytes);
    if (!memory) throw std::bad_alloc();
    return Mark(memory, kFromHeap);
}

void* XmlNode::operator new(std::size_t size, XmlNodePool& pool, Trailing chars) {
    return Mark(pool.Allocate(kHeader + size + chars.bytes), kFromPool);
}

void XmlNode::operator delete(void* p) noexcept {
    if (!p) return;
    unsigned char* memory = static_cast<unsigned char*>(p) - kHeader;
    if (memory[0] == kFromHeap) std::free(memory);
}

void XmlNode::operator delete(void* p, Trailing) noexcept { operator delete(p); }

void XmlNode::operator delete(void*, XmlNodePool&, Trailing) noexcept {}

// The characters live behind the node (whose size keeps them aligned), so
// a parsed tree makes no allocation of its own for any of its texts.
XmlNode::XmlNode(Kind kind, std::u16string_view chars, XmlNodePool* home)
    : home_(home), size_(static_cast<std::uint32_t>(chars.size())), kind_(kind), more_(Children::allocator_type(home)) {
    static_assert(sizeof(XmlNode) % alignof(char16_t) == 0, "characters behind the node stay aligned");
    if (!chars.empty())
        std::memcpy(reinterpret_cast<char16_t*>(this + 1), chars.data(), chars.size() * sizeof(char16_t));
}

std::unique_ptr<XmlNode> XmlNode::MakeElement(std::u16string_view name, XmlNodePool& pool) {
    return std::unique_ptr<XmlNode>(new (pool, RoomFor(name)) XmlNode(Kind::Element, name, &pool));
}

std::unique_ptr<XmlNode> XmlNode::MakeText(std::u16string_view text, XmlNodePool& pool) {
    return std::unique_ptr<XmlNode>(new (pool, RoomFor(text)) XmlNode(Kind::Text, text, &pool));
}

std::unique_ptr<XmlNode> XmlNode::MakeElement(std::u16string_view name) {
    return std::unique_ptr<XmlNode>(new (RoomFor(name)) XmlNode(Kind::Element, name, nullptr));
}

std::unique_ptr<XmlNode> XmlNode::MakeText(std::u16string_view text) {
    return std::unique_ptr<XmlNode>(new (RoomFor(text)) XmlNode(Kind::Text, text, nullptr));
}

std::unique_ptr<XmlNode> XmlNode::MakeElement(std::u16string_view name, const std::vector<XmlAttribute>& attributes) {
    std::unique_ptr<XmlNode> node(new (RoomFor(name, attributes)) XmlNode(Kind::Element, name, nullptr));
    node->StoreAttributes(attributes);
    return node;
}

std::unique_ptr<XmlNode> XmlNode::MakeElement(std::u16string_view name, const std::vector<XmlAttribute>& attributes,
                                              XmlNodePool& pool) {
    std::unique_ptr<XmlNode> node(new (pool, RoomFor(name, attributes)) XmlNode(Kind::Element, name, &pool));
    node->StoreAttributes(attributes);
    return node;
}

std::unique_ptr<XmlNode> XmlNode::MakeComment(std::u16string_view text) {
    return std::unique_ptr<XmlNode>(new (RoomFor(text)) XmlNode(Kind::Comment, text, nullptr));
}

std::unique_ptr<XmlNode> XmlNode::MakeComment(std::u16string_view text, XmlNodePool& pool) {
    return std::unique_ptr<XmlNode>(new (pool, RoomFor(text)) XmlNode(Kind::Comment, text, &pool));
}

XmlNode::Trailing XmlNode::RoomFor(std::u16string_view chars) {
    if (chars.size() > UINT32_MAX) throw std::length_error("a node's characters are limited to 2^32 - 1 units");
    return Trailing{chars.size() * sizeof(char16_t)};
}

// Every offset must fit the table's 32 bits, so the whole is held to that.
XmlNode::Trailing XmlNode::RoomFor(std::u16string_view name, const std::vector<XmlAttribute>& attributes) {
    constexpr std::size_t kMost = UINT32_MAX;
    const char* const tooLong = "a node's characters are limited to 2^32 - 1 units";
    std::size_t units = RoomFor(name).bytes / sizeof(char16_t);
    if (attributes.empty()) return Trailing{units * sizeof(char16_t)};
    if (units > kMost - 2 || attributes.size() > (kMost - 2 - units) / 6) throw std::length_error(tooLong);
    units += 2 + 6 * attributes.size();
    for (const XmlAttribute& attribute : attributes) {
        if (attribute.name.size() > kMost - units) throw std::length_error(tooLong);
        units += attribute.name.size();
        if (attribute.value.size() > kMost - units) throw std::length_error(tooLong);
        units += attribute.value.size();
    }
    return Trailing{units * sizeof(char16_t)};
}

void XmlNode::StoreAttributes(const std::vector<XmlAttribute>& attributes) {
    if (attributes.empty()) return;
    char16_t* const base = reinterpret_cast<char16_t*>(this + 1);
    auto put = [&](std::size_t index, std::size_t value) {
        const auto word = static_cast<std::uint32_t>(value);
        std::memcpy(base + size_ + 2 * index, &word, sizeof word);
    };
    put(0, attributes.size());
    std::size_t at = size_ + 2 + 6 * attributes.size();  // where the next characters go
    for (std::size_t k = 0; k < attributes.size(); ++k) {
        const XmlAttribute& attribute = attributes[k];
        put(1 + 3 * k, at);
        put(2 + 3 * k, attribute.name.size());
        put(3 + 3 * k, attribute.value.size());
        if (!attribute.name.empty()) std::memcpy(base + at, attribute.name.data(), attribute.name.size() * 2);
        at += attribute.name.size();
        if (!attribute.value.empty()) std::memcpy(base + at, attribute.value.data(), attribute.value.size() * 2);
        at += attribute.value.size();
    }
    hasAttributes_ = true;
}

XmlAttribute XmlNode::AttributeAt(std::size_t index) const {
    const std::uint32_t start = Word(1 + 3 * index);
    const std::uint32_t nameLength = Word(2 + 3 * index);
    return {{Base() + start, nameLength}, {Base() + start + nameLength, Word(3 + 3 * index)}};
}

std::optional<std::u16string_view> XmlNode::Attribute(std::u16string_view name) const {
    const std::size_t count = AttributeCount();
    for (std::size_t k = 0; k < count; ++k) {
        const XmlAttribute attribute = AttributeAt(k);
        if (attribute.name == name) return attribute.value;
    }
    return std::nullopt;
}

XmlNode::~XmlNode() {
    if (pool_) {
        // Every node below, and all it holds, lives in the pool, which goes
        // after this: none of them needs to be visited.
        for (std::size_t k = 0; k < childCount_; ++k) (void)Slot(k).release();
        childCount_ = 0;
        more_.clear();
        return;
    }
    // Detach the subtree into a work list so that each node dies with no
    // children left: the default member-wise destruction would recurse once
    // per level.
    std::vector<std::unique_ptr<XmlNode>> pending;
    MoveChildrenTo(pending);
    while (!pending.empty()) {
        std::unique_ptr<XmlNode> node = std::move(pending.back());
        pending.pop_back();
        node->MoveChildrenTo(pending);
    }
}

void XmlNode::MoveChildrenTo(std::vector<std::unique_ptr<XmlNode>>& list) {
    for (std::size_t k = 0; k < childCount_; ++k) list.push_back(std::move(Slot(k)));
    childCount_ = 0;
    more_.clear();
}

XmlNode* XmlNode::ChildAt(std::size_t index) const {
    if (index >= childCount_) return nullptr;
    return index < kInlineChildren ? inline_[index].get() : more_[index - kInlineChildren].get();
}

XmlNode* XmlNode::LastChild() const { return childCount_ ? ChildAt(childCount_ - 1) : nullptr; }

XmlNode* XmlNode::NextSibling() const { return parent_ ? parent_->ChildAt(indexInParent_ + 1) : nullptr; }

void XmlNode::AdoptPool(std::unique_ptr<XmlNodePool> pool) {
    for (std::size_t k = 0; k < childCount_; ++k)
        if (ChildAt(k)->home_ != pool.get()) throw std::logic_error("a pool's root holds a node from elsewhere");
    pool_ = std::move(pool);
}

void XmlNode::Adopt(std::unique_ptr<XmlNode> child) {
    // A pooled tree is given back with its pool, so nothing from elsewhere
    // may join it.
    XmlNodePool* const pool = pool_ ? pool_.get() : home_;
    if (pool && child->home_ != pool) throw std::logic_error("a pooled tree takes only nodes of its pool");
    child->parent_ = this;
    child->indexInParent_ = childCount_;
    if (childCount_ < kInlineChildren)
        inline_[childCount_] = std::move(child);
    else
        more_.push_back(std::move(child));
    ++childCount_;
}

XmlNode& XmlNode::AppendChild(std::unique_ptr<XmlNode> child) {
    XmlNode& added = *child;
    Adopt(std::move(child));
    return added;
}

void XmlNode::AppendChildren(std::unique_ptr<XmlNode>* first, std::unique_ptr<XmlNode>* last) {
    const std::size_t count = childCount_ + static_cast<std::size_t>(last - first);
    if (count > kInlineChildren) more_.reserve(count - kInlineChildren);
    for (; first != last; ++first) Adopt(std::move(*first));
}

std::optional<std::u16string_view> XmlNode::SingleText() const {
    if (kind_ == Kind::Text) return Chars();
    // The usual case: an element holding one piece of text.
    if (childCount_ == 1 && inline_[0]->kind_ == Kind::Text) return inline_[0]->Chars();
    if (childCount_ == 0) return std::u16string_view();
    return std::nullopt;
}

std::u16string XmlNode::Text() const {
    if (const std::optional<std::u16string_view> piece = SingleText()) return std::u16string(*piece);
    std::u16string text;
    // Pre-order walk by explicit stack of (node, next child index).
    std::vector<std::pair<const XmlNode*, std::size_t>> stack{{this, 0}};
    while (!stack.empty()) {
        auto& [node, next] = stack.back();
        if (next == node->childCount_) {
            stack.pop_back();
            continue;
        }
        const XmlNode* child = node->ChildAt(next++);
        if (child->kind_ == Kind::Text)
            text += child->Chars();
        else
            stack.emplace_back(child, 0);
    }
    return text;
}

}  // namespace vesko
