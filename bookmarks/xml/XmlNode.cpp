#include "bookmarks/xml/XmlNode.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <utility>

namespace vesko {

namespace {

// Ahead of every node, saying where its memory came from; as large as the
// strictest alignment, so that the node after it stays aligned.
constexpr std::size_t kHeader = alignof(std::max_align_t);
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
        blocks_.push_back(std::make_unique<unsigned char[]>(blockSize_));
        used_ = 0;
    }
    void* memory = blocks_.back().get() + used_;
    used_ += size;
    return memory;
}

void* XmlNode::operator new(std::size_t size) {
    void* memory = std::malloc(kHeader + size);
    if (!memory) throw std::bad_alloc();
    return Mark(memory, kFromHeap);
}

void* XmlNode::operator new(std::size_t size, XmlNodePool& pool) {
    return Mark(pool.Allocate(kHeader + size), kFromPool);
}

void XmlNode::operator delete(void* p) noexcept {
    if (!p) return;
    unsigned char* memory = static_cast<unsigned char*>(p) - kHeader;
    if (memory[0] == kFromHeap) std::free(memory);
}

void XmlNode::operator delete(void*, XmlNodePool&) noexcept {}

std::unique_ptr<XmlNode> XmlNode::MakeElement(std::u16string name, XmlNodePool& pool) {
    return std::unique_ptr<XmlNode>(new (pool) XmlNode(Kind::Element, std::move(name)));
}

std::unique_ptr<XmlNode> XmlNode::MakeText(std::u16string text, XmlNodePool& pool) {
    return std::unique_ptr<XmlNode>(new (pool) XmlNode(Kind::Text, std::move(text)));
}

std::unique_ptr<XmlNode> XmlNode::MakeElement(std::u16string name) {
    return std::unique_ptr<XmlNode>(new XmlNode(Kind::Element, std::move(name)));
}

std::unique_ptr<XmlNode> XmlNode::MakeText(std::u16string text) {
    return std::unique_ptr<XmlNode>(new XmlNode(Kind::Text, std::move(text)));
}

const std::u16string& XmlNode::Empty() {
    static const std::u16string empty;
    return empty;
}

XmlNode::~XmlNode() {
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

void XmlNode::Adopt(std::unique_ptr<XmlNode> child) {
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

const std::u16string* XmlNode::SingleText() const {
    if (kind_ == Kind::Text) return &value_;
    // The usual case: an element holding one piece of text.
    if (childCount_ == 1 && inline_[0]->kind_ == Kind::Text) return &inline_[0]->value_;
    if (childCount_ == 0) return &Empty();
    return nullptr;
}

std::u16string XmlNode::Text() const {
    if (const std::u16string* piece = SingleText()) return *piece;
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
            text += child->value_;
        else
            stack.emplace_back(child, 0);
    }
    return text;
}

}  // namespace vesko
