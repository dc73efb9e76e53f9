#include "bookmarks/xml/XmlNode.h"

#include "tests/native/SmallStack.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

namespace vesko {
namespace {

TEST(XmlNode, LinksChildrenSiblingsAndParents) {
    std::unique_ptr<XmlNode> root = XmlNode::MakeElement(u"root");
    XmlNode& a = root->AppendChild(XmlNode::MakeElement(u"a"));
    XmlNode& text = root->AppendChild(XmlNode::MakeText(u"t"));
    XmlNode& b = root->AppendChild(XmlNode::MakeElement(u"b"));
    b.AppendChild(XmlNode::MakeText(u"inner"));

    EXPECT_EQ(root->ChildCount(), 3u);
    EXPECT_EQ(root->FirstChild(), &a);
    EXPECT_EQ(root->LastChild(), &b);
    EXPECT_EQ(root->ChildAt(1), &text);
    EXPECT_EQ(root->ChildAt(3), nullptr);
    EXPECT_EQ(a.NextSibling(), &text);
    EXPECT_EQ(text.NextSibling(), &b);
    EXPECT_EQ(b.NextSibling(), nullptr);
    EXPECT_EQ(root->NextSibling(), nullptr);
    EXPECT_EQ(b.Parent(), root.get());
    EXPECT_EQ(root->Parent(), nullptr);
    EXPECT_EQ(a.FirstChild(), nullptr);
    EXPECT_EQ(a.LastChild(), nullptr);

    EXPECT_EQ(a.Name(), u"a");
    EXPECT_EQ(a.Value(), u"");
    EXPECT_EQ(text.Name(), u"");
    EXPECT_EQ(text.Value(), u"t");
    EXPECT_EQ(root->Text(), u"tinner");
    EXPECT_EQ(text.Text(), u"t");
}

TEST(XmlNode, APooledTreeTakesOnlyNodesOfItsPool) {
    // It goes with its pool, unvisited: a node from elsewhere would leak.
    auto pool = std::make_unique<XmlNodePool>();
    std::unique_ptr<XmlNode> root = XmlNode::MakeElement(u"root");
    XmlNode& a = root->AppendChild(XmlNode::MakeElement(u"a", *pool));
    for (int k = 0; k < 4; ++k) a.AppendChild(XmlNode::MakeText(u"text", *pool));
    EXPECT_THROW(a.AppendChild(XmlNode::MakeText(u"x")), std::logic_error);
    root->AdoptPool(std::move(pool));
    EXPECT_THROW(root->AppendChild(XmlNode::MakeText(u"x")), std::logic_error);
    EXPECT_EQ(root->Text(), u"texttexttexttext");
}

TEST(XmlNode, DeepTreeTextAndFreeDoNotRecurse) {
    constexpr std::size_t kDepth = 100000;
    RunOnSmallStack([] {
        std::unique_ptr<XmlNode> root = XmlNode::MakeElement(u"d");
        XmlNode* node = root.get();
        for (std::size_t k = 1; k < kDepth; ++k) node = &node->AppendChild(XmlNode::MakeElement(u"d"));
        node->AppendChild(XmlNode::MakeText(u"bottom"));
        EXPECT_EQ(root->Text(), u"bottom");
        root.reset();
        // A wide tree of deep branches too.
        root = XmlNode::MakeElement(u"w");
        for (int branch = 0; branch < 3; ++branch) {
            node = &root->AppendChild(XmlNode::MakeElement(u"d"));
            for (std::size_t k = 1; k < kDepth; ++k) node = &node->AppendChild(XmlNode::MakeElement(u"d"));
        }
    });
}

}  // namespace
}  // namespace vesko
