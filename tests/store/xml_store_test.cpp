#include <gtest/gtest.h>
#include <sys/stat.h>

#include <list>
#include <string>

#include "platform/text.h"
#include "store/xml_line_reader.h"
#include "store/xml_list.h"
#include "store/xml_node.h"
#include "store/xml_object.h"
#include "store/xml_value.h"
#include "tests/support/sandbox.h"

namespace ferrow {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

// A small record with one field of every stored type.
struct Sample : CXmlObject {
  Guid id = Guid::Create();
  std::wstring text = L"initial";
  int32_t number = 7;
  uint64_t big = 0;
  bool flag = false;

  void Exchange(bool store, CXmlNode& node) override {
    if (store) {
      node.AddAttribute(L"ID", id);
      node.AddChild(L"Text", text);
      node.AddChild(L"Number", number);
      node.AddChild(L"Big", big);
      node.AddChild(L"Flag", flag);
    } else {
      node.GetAttribute(L"ID", id);
      node.GetChild(L"Text", text);
      node.GetChild(L"Number", number);
      node.GetChild(L"Big", big);
      node.GetChild(L"Flag", flag);
    }
  }
};

struct SampleList : CXmlList<Sample> {
  void Exchange(bool store, CXmlNode& node) override { CXmlList::Exchange(store, node, L"Sample"); }
};

CXmlNode ParseTree(const std::string& bytes, CXmlNode::ReadResult* result = nullptr) {
  CXmlNode root(L"Root");
  CXmlLineReader reader(bytes);
  const auto r = root.Read(reader);
  if (result) *result = r;
  return root;
}

TEST(XmlValueTest, IntegersReadLeadingDigitsAndClampOutOfRange) {
  EXPECT_EQ(CXmlValue::ToInt(L"42abc"), 42);
  EXPECT_EQ(CXmlValue::ToInt(L"  -17"), -17);
  EXPECT_EQ(CXmlValue::ToInt(L"+5"), 5);
  EXPECT_EQ(CXmlValue::ToInt(L"abc"), 0);
  EXPECT_EQ(CXmlValue::ToInt(L""), 0);
  EXPECT_EQ(CXmlValue::ToInt(L"-2147483648"), INT32_MIN);
  EXPECT_EQ(CXmlValue::ToInt(L"99999999999999999999"), INT32_MAX);
  EXPECT_EQ(CXmlValue::ToInt(L"-99999999999999999999"), INT32_MIN);
  EXPECT_EQ(CXmlValue::FromInt(-1), L"-1");
}

TEST(XmlValueTest, UnsignedRoundTripsIncludingAllOnes) {
  for (uint64_t v : {uint64_t{0}, uint64_t{1}, uint64_t{1} << 63, UINT64_MAX})
    EXPECT_EQ(CXmlValue::ToUInt64(CXmlValue::FromUInt64(v)), v);
  EXPECT_EQ(CXmlValue::FromUInt64(UINT64_MAX), L"18446744073709551615");
  EXPECT_EQ(CXmlValue::ToUInt64(L"123MB"), 123u);
  // Beyond the range reads as unknown, never as a wrapped small size.
  EXPECT_EQ(CXmlValue::ToUInt64(L"18446744073709551616"), UINT64_MAX);
  EXPECT_EQ(CXmlValue::ToUInt64(L"-1"), 0u);
}

TEST(XmlValueTest, BooleanIsTrueOnlyForTrueInAnyCase) {
  for (const wchar_t* yes : {L"True", L"true", L"TRUE", L"tRuE"})
    EXPECT_TRUE(CXmlValue::ToBool(yes)) << yes;
  for (const wchar_t* no : {L"1", L"yes", L"False", L"True ", L"", L"Tru"})
    EXPECT_FALSE(CXmlValue::ToBool(no)) << no;
  EXPECT_EQ(CXmlValue::FromBool(true), L"True");
  EXPECT_EQ(CXmlValue::FromBool(false), L"False");
}

TEST(XmlValueTest, AttributeFormatAndParse) {
  CXmlValue value(L"ID", L"abc");
  EXPECT_EQ(value.Format(), L"ID=\"abc\"");
  CXmlValue parsed;
  ASSERT_TRUE(CXmlValue::Parse(L"ID=\"a=b\"", parsed));
  EXPECT_EQ(parsed.GetName(), L"ID");
  EXPECT_EQ(parsed.GetString(), L"a=b");
  EXPECT_FALSE(CXmlValue::Parse(L"novalue", parsed));
}

TEST(XmlNodeTest, WriterProducesIndentedLinesWithCrLfAndNoEscaping) {
  CXmlNode root(L"Root");
  CXmlNode& item = root.AddChild(L"Item");
  Guid id;
  ASSERT_TRUE(Guid::Parse(L"0F8FAD5B-D9CB-469F-A165-70867728950E", id));
  item.AddAttribute(L"ID", id);
  item.AddChild(L"Text", L"a <b> & \"c\" \u00e9");
  item.AddChild(L"Empty", L"");
  std::string out;
  ASSERT_TRUE(root.Write(out, 0));
  EXPECT_EQ(out,
            "<Root>\r\n"
            "    <Item ID=\"0f8fad5b-d9cb-469f-a165-70867728950e\">\r\n"
            "        <Text>a <b> & \"c\" \xE9</Text>\r\n"
            "        <Empty></Empty>\r\n"
            "    </Item>\r\n"
            "</Root>\r\n");
}

TEST(XmlNodeTest, WriterRefusesCharactersAbove255) {
  CXmlNode root(L"Root");
  root.AddChild(L"Text", L"\u0100");
  std::string out;
  EXPECT_FALSE(root.Write(out, 0));
  CXmlNode named(L"R\u20ac");
  out.clear();
  EXPECT_FALSE(named.Write(out, 0));
}

TEST(XmlNodeTest, ReaderIgnoresIndentStrayLinesAndEmptyLeaves) {
  CXmlNode::ReadResult result;
  const CXmlNode root = ParseTree(
      "junk before\n"
      "<Root>\n"
      "\t  <Name>  inner  spaces  </Name>   \r\n"
      "not a tag\n"
      "<Empty></Empty>\n"
      "<>\n"
      "<List>\n"
      "<A>1</A>\n"
      "      <B ID=\"x\" broken>2</B>\n"
      "</List>\n"
      "</Root>\n"
      "<After>ignored</After>\n",
      &result);
  EXPECT_EQ(result, CXmlNode::ReadResult::kClosed);
  ASSERT_EQ(root.GetChildCount(), 2u);
  std::wstring name;
  ASSERT_TRUE(root.GetChild(L"Name", name));
  EXPECT_EQ(name, L"  inner  spaces  ");
  EXPECT_EQ(root.FindChild(L"Empty"), nullptr);
  const CXmlNode* list = root.FindChild(L"List");
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->GetChildCount(), 2u);
  // Text of a leaf with attributes starts after the space, as the line reader defines it.
  EXPECT_EQ(list->GetChildren().back().GetText(), L"ID=\"x\" broken>2");
}

TEST(XmlNodeTest, AttributesOfTheOpeningLineBelongToTheElement) {
  const CXmlNode root = ParseTree(
      "<Root>\r\n    <Item  ID=\"0f8fad5b-d9cb-469f-a165-70867728950e\" odd x=\"\">\r\n"
      "        <V>1</V>\r\n    </Item>\r\n</Root>\r\n");
  ASSERT_EQ(root.GetChildCount(), 1u);
  const CXmlNode& item = root.GetChildren().front();
  ASSERT_EQ(item.GetAttributes().size(), 2u);  // "odd" has no "=" and is dropped
  Guid id;
  EXPECT_TRUE(item.GetAttribute(L"ID", id));
  EXPECT_EQ(id.ToString(), L"0f8fad5b-d9cb-469f-a165-70867728950e");
  EXPECT_EQ(item.GetAttributes()[1].GetString(), L"");
}

TEST(XmlNodeTest, GetChildLeavesValuesUntouchedWhenMissingOrNotAGuid) {
  CXmlNode node(L"N");
  node.AddChild(L"G", L"not-a-guid");
  node.AddChild(L"I", L"x");
  int32_t number = 5;
  EXPECT_FALSE(node.GetChild(L"i", number));  // names are case-sensitive
  EXPECT_EQ(number, 5);
  EXPECT_TRUE(node.GetChild(L"I", number));
  EXPECT_EQ(number, 0);
  const Guid before = Guid::Create();
  Guid id = before;
  EXPECT_FALSE(node.GetChild(L"G", id));
  EXPECT_EQ(id, before);
  Sample sample;
  EXPECT_FALSE(node.GetChildAt(2, sample));
}

class XmlObjectTest : public test::SandboxedTest {
 protected:
  std::filesystem::path File() const { return SandboxDir() / "a" / "b" / "Sample.xml"; }
};

TEST_F(XmlObjectTest, RoundTripThroughTheFileCreatesMissingFolders) {
  SampleList list;
  Sample first;
  first.text = L"caf\u00e9 <x> & y";
  first.number = -3;
  first.big = UINT64_MAX;
  first.flag = true;
  list.push_back(first);
  list.push_back(Sample());
  ASSERT_TRUE(list.Save(File()));

  SampleList loaded;
  ASSERT_EQ(loaded.LoadDetailed(File()), XmlLoadStatus::kLoaded);
  ASSERT_EQ(loaded.size(), 2u);
  const Sample& back = loaded.front();
  EXPECT_EQ(back.id, first.id);
  EXPECT_EQ(back.text, first.text);
  EXPECT_EQ(back.number, -3);
  EXPECT_EQ(back.big, UINT64_MAX);
  EXPECT_TRUE(back.flag);
  const std::string bytes = ReadFileBytes(File());
  EXPECT_EQ(bytes.rfind("<Root>\r\n", 0), 0u);
  EXPECT_NE(bytes.find("<Big>18446744073709551615</Big>"), std::string::npos);
}

TEST_F(XmlObjectTest, EmptyListIsOneLineAndLoadsEmpty) {
  SampleList list;
  ASSERT_TRUE(list.Save(File()));
  EXPECT_EQ(ReadFileBytes(File()), "<Root></Root>\r\n");
  SampleList loaded;
  loaded.push_back(Sample());
  ASSERT_TRUE(loaded.Load(File()));
  EXPECT_TRUE(loaded.empty());
}

TEST_F(XmlObjectTest, AnObjectStoringOnlyAttributesLoadsBack) {
  struct OnlyId : CXmlObject {
    Guid id = Guid::Create();
    void Exchange(bool store, CXmlNode& node) override {
      if (store)
        node.AddAttribute(L"ID", id);
      else
        node.GetAttribute(L"ID", id);
    }
  } object, loaded;
  ASSERT_TRUE(object.Save(File()));
  EXPECT_EQ(ReadFileBytes(File()),
            "<Root ID=\"" + WideToUtf8(object.id.ToString()) + "\"></Root>\r\n");
  ASSERT_TRUE(loaded.Load(File()));
  EXPECT_EQ(loaded.id, object.id);
}

// Found by fuzzing: a file entry (element "File") whose path (leaf "File") is empty is saved
// as "<File></File>" inside the entry; read back, that line ended the entry, so the fields
// after it became entries of their own and the saved file no longer loaded as it was saved.
TEST_F(XmlObjectTest, AnEmptyLeafNamedLikeItsRecordDoesNotEndTheRecord) {
  struct Entry : CXmlObject {
    std::wstring path;
    int32_t size = 0;
    void Exchange(bool store, CXmlNode& node) override {
      node.ExchangeChild(store, L"Entry", path);
      node.ExchangeChild(store, L"Size", size);
    }
  };
  struct Entries : CXmlList<Entry> {
    void Exchange(bool store, CXmlNode& node) override {
      CXmlList::Exchange(store, node, L"Entry");
    }
  } list, loaded;
  list.emplace_back().size = 5;
  list.emplace_back().path = L"/b";
  list.back().size = 6;
  ASSERT_TRUE(list.Save(File()));
  ASSERT_TRUE(loaded.Load(File()));
  ASSERT_EQ(loaded.size(), 2u);
  EXPECT_EQ(loaded.front().path, L"");
  EXPECT_EQ(loaded.front().size, 5);
  EXPECT_EQ(loaded.back().path, L"/b");
  EXPECT_EQ(loaded.back().size, 6);
}

TEST_F(XmlObjectTest, ListItemsIgnoreElementNamesAndKeepConstructedValues) {
  std::filesystem::create_directories(File().parent_path());
  WriteFileBytes(
      File(),
      "<Root>\n  <Sample>\n    <Number>12kg</Number>\n    <Flag>TRUE</Flag>\n  </Sample>\n"
      "  <Other>\n    <Flag>1</Flag>\n    <Text></Text>\n  </Other>\n"
      "  <Third>\n    <Flag>true</Flag>\n  </Third>\n</Root>\n");
  SampleList list;
  ASSERT_TRUE(list.Load(File()));
  ASSERT_EQ(list.size(), 3u);
  auto it = list.begin();
  EXPECT_EQ(it->number, 12);
  EXPECT_TRUE(it->flag);
  EXPECT_EQ(it->text, L"initial");
  ++it;
  EXPECT_FALSE(it->flag);           // "1" is not true
  EXPECT_EQ(it->text, L"initial");  // an empty text adds no child
  EXPECT_EQ(it->number, 7);
  EXPECT_NE(it->id, list.front().id);  // a missing attribute keeps the fresh ID
  ++it;
  EXPECT_TRUE(it->flag);
}

TEST_F(XmlObjectTest, CharacterAbove255FailsTheSaveAndKeepsTheOldFile) {
  SampleList list;
  list.push_back(Sample());
  ASSERT_TRUE(list.Save(File()));
  const std::string before = ReadFileBytes(File());
  list.front().text = L"snow \u2603";
  EXPECT_FALSE(list.Save(File()));
  EXPECT_NE(list.GetLastError(), 0u);
  EXPECT_EQ(ReadFileBytes(File()), before);
  // No temporary file is left behind.
  size_t entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(File().parent_path())) {
    (void)entry;
    ++entries;
  }
  EXPECT_EQ(entries, 1u);
}

TEST_F(XmlObjectTest, LineBreaksInTextCannotSwallowTheFollowingRecords) {
  SampleList list;
  list.push_back(Sample());
  list.back().text = L"first line\r\nsecond\nthird </Text> tail";
  list.push_back(Sample());
  list.back().number = 99;
  ASSERT_TRUE(list.Save(File()));
  SampleList loaded;
  ASSERT_TRUE(loaded.Load(File()));
  ASSERT_EQ(loaded.size(), 2u);
  // Text up to its own closing tag survives, on one line.
  EXPECT_EQ(loaded.front().text, L"first line second third ");
  EXPECT_EQ(loaded.back().number, 99);
}

TEST_F(XmlObjectTest, FailedLoadsKeepTheObjectAndAreToldApart) {
  SampleList list;
  list.push_back(Sample());
  const Guid id = list.front().id;
  auto expectUnchanged = [&] {
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list.front().id, id);
  };

  EXPECT_EQ(list.LoadDetailed(File()), XmlLoadStatus::kNoFile);
  EXPECT_FALSE(list.Load(File()));
  expectUnchanged();

  std::filesystem::create_directories(File());  // a folder where the file should be
  EXPECT_EQ(list.LoadDetailed(File()), XmlLoadStatus::kUnreadable);
  expectUnchanged();
  std::filesystem::remove(File());

  ASSERT_TRUE(list.Save(File()));
  const std::string good = ReadFileBytes(File());
  // Truncated anywhere before the closing root line: not a complete file.
  for (size_t cut = 0; cut + 2 < good.size(); ++cut) {
    WriteFileBytes(File(), good.substr(0, cut));
    SampleList other;
    other.push_back(Sample());
    EXPECT_EQ(other.LoadDetailed(File()), XmlLoadStatus::kMalformed) << cut;
    EXPECT_EQ(other.size(), 1u);
  }
}

TEST_F(XmlObjectTest, HostileInputsNeitherCrashNorLoad) {
  std::filesystem::create_directories(File().parent_path());
  SampleList list;

  std::string garbage(1 << 16, '\0');
  uint32_t state = 12345;
  for (char& c : garbage) {
    state = state * 1103515245 + 12345;
    c = static_cast<char>(state >> 24);
  }
  WriteFileBytes(File(), garbage);
  EXPECT_EQ(list.LoadDetailed(File()), XmlLoadStatus::kMalformed);

  // One 10 MB line, as a tag and as plain text.
  WriteFileBytes(File(), "<Root>" + std::string(10 << 20, 'x'));
  EXPECT_EQ(list.LoadDetailed(File()), XmlLoadStatus::kMalformed);
  WriteFileBytes(File(), "<Root>\n<A>" + std::string(10 << 20, '<') + "</A>\n</Root>\n");
  EXPECT_EQ(list.LoadDetailed(File()), XmlLoadStatus::kLoaded);
  EXPECT_EQ(list.size(), 1u);

  // Nesting far deeper than any record: refused, not recursed into.
  std::string deep = "<Root>\n";
  for (int i = 0; i < 100000; ++i) deep += "<a>\n";
  WriteFileBytes(File(), deep);
  EXPECT_EQ(list.LoadDetailed(File()), XmlLoadStatus::kMalformed);

  WriteFileBytes(File(), std::string(CXmlObject::kMaxFileSize + 1, '\n'));
  EXPECT_EQ(list.LoadDetailed(File()), XmlLoadStatus::kUnreadable);
}

TEST_F(XmlObjectTest, GetChildAtWalksEveryPositionInOrder) {
  SampleList list;
  for (int i = 0; i < 300; ++i) {
    Sample s;
    s.number = i;
    list.push_back(s);
  }
  ASSERT_TRUE(list.Save(File()));
  SampleList loaded;
  ASSERT_TRUE(loaded.Load(File()));
  int expected = 0;
  for (const Sample& s : loaded) EXPECT_EQ(s.number, expected++);
  EXPECT_EQ(expected, 300);
}

}  // namespace
}  // namespace ferrow
