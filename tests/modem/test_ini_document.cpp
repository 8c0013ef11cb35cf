#include <gtest/gtest.h>

#include <string>

#include "modem/IniDocument.h"

namespace veltro {
namespace {

// What a store reads back from the text it wrote must be what it held, or the next
// write of the store leaves a file its own reader calls damaged.
TEST(IniDocumentTest, AcceptedTextsComeBackFromTheirOwnWriting) {
    for (const std::string text :
         {"[a]\nk=v\n", "[ x y ]\n k = v w \n=\n", "[s]\nk=a=b\n", "; c\n[one]\n\n[two]\nx=1\n",
          "[[]\nk=v\n", "[s]\nk=\xC4\xE3\n"}) {
        SCOPED_TRACE(text);
        const auto document = IniDocument::Parse(text);
        ASSERT_TRUE(document.has_value());
        const auto again = IniDocument::Parse(document->Text());
        ASSERT_TRUE(again.has_value());
        ASSERT_EQ(document->Sections().size(), again->Sections().size());
        for (std::size_t i = 0; i < again->Sections().size(); ++i) {
            EXPECT_EQ(document->Sections()[i].name, again->Sections()[i].name);
            EXPECT_EQ(document->Sections()[i].values, again->Sections()[i].values);
        }
    }
}

TEST(IniDocumentTest, AHeaderOfBlanksIsDamage) {
    EXPECT_FALSE(IniDocument::Parse("[ ]\na=b\n").has_value());
    EXPECT_FALSE(IniDocument::Parse("[]\n").has_value());
    const IniDocument lenient = IniDocument::ParseLenient("[ ]\na=b\n[c]\nd=e\n");
    ASSERT_EQ(1u, lenient.Sections().size());
    EXPECT_EQ("c", lenient.Sections()[0].name);
}

}  // namespace
}  // namespace veltro
