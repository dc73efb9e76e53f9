#include "bookmarks/xml/XmlNode.h"

#include <utility>

namespace vesko {

bool IsXmlWhitespace(char32_t c)
{
    return c == U' ' || c == U'\t' || c == U'\n' || c == U'\r';
}

std::unique_ptr<XmlNode> XmlNode::MakeElement(std::u16string name)
{
    return std::unique_ptr<XmlNode>(new XmlNode(Kind::Element, std::move(name)));
}

std::unique_ptr<XmlNode> XmlNode::MakeText(std::u16string text)
{
    return std::unique_ptr<XmlNode>(new XmlNode(Kind::Text, std::move(text)));
}

const std::u16string& XmlNode::Empty()
{
    static const std::u16string empty;
    return empty;
}

XmlNode::~XmlNode()
{
    // Detach the subtree into a work list so that each node dies with no
    // children left: the default member-wise destruction would recurse once
    // per level.
    std::vector<std::unique_ptr<XmlNode>> pending = std::move(children_);
    children_.clear();
    while (!pending.empty()) {
        std::unique_ptr<XmlNode> node = std::move(pending.back());
        pending.pop_back();
        for (auto& child : node->children_)
            pending.push_back(std::move(child));
        node->children_.clear();
    }
}

XmlNode* XmlNode::ChildAt(std::size_t index) const
{
    return index < children_.size() ? children_[index].get() : nullptr;
}

XmlNode* XmlNode::LastChild() const
{
    return children_.empty() ? nullptr : children_.back().get();
}

XmlNode* XmlNode::NextSibling() const
{
    return parent_ ? parent_->ChildAt(indexInParent_ + 1) : nullptr;
}

XmlNode& XmlNode::AppendChild(std::unique_ptr<XmlNode> child)
{
    child->parent_ = this;
    child->indexInParent_ = children_.size();
    children_.push_back(std::move(child));
    return *children_.back();
}

void XmlNode::DropWhitespaceBesideElements()
{
    bool hasElement = false;
    for (const auto& child : children_)
        hasElement = hasElement || child->kind_ == Kind::Element;
    if (!hasElement)
        return;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < children_.size(); ++i) {
        const XmlNode& child = *children_[i];
        bool blank = child.kind_ == Kind::Text;
        for (char16_t c : child.value_) {
            if (!blank)
                break;
            blank = IsXmlWhitespace(c);
        }
        if (blank)
            continue;
        children_[i]->indexInParent_ = kept;
        children_[kept++] = std::move(children_[i]);
    }
    children_.resize(kept);
}

std::u16string XmlNode::Text() const
{
    if (kind_ == Kind::Text)
        return value_;
    std::u16string text;
    // Pre-order walk by explicit stack of (node, next child index).
    std::vector<std::pair<const XmlNode*, std::size_t>> stack{{this, 0}};
    while (!stack.empty()) {
        auto& [node, next] = stack.back();
        if (next == node->children_.size()) {
            stack.pop_back();
            continue;
        }
        const XmlNode* child = node->children_[next++].get();
        if (child->kind_ == Kind::Text)
            text += child->value_;
        else
            stack.emplace_back(child, 0);
    }
    return text;
}

}  // namespace vesko
