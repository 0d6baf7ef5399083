#include <gtest/gtest.h>

#include "params/param_list.h"

namespace ordo {
namespace {

TEST(ParamList, AddNamesFromARunningCounter) {
    TOrdoParamList list;
    EXPECT_EQ(list.Add().Name(), "Param1");
    EXPECT_EQ(list.Add().Name(), "Param2");
    EXPECT_EQ(list[0].ParamType(), ptInput);
    EXPECT_EQ(list[0].Collection(), &list);
    list.Delete(0);
    EXPECT_EQ(list.Add().Name(), "Param3") << "the counter never goes back";
    TOrdoParamItem& p = list.CreateParam(ftDate, "D", ptOutput);
    EXPECT_EQ(p.DataType(), ftDate);
    EXPECT_EQ(p.Name(), "D");
    EXPECT_EQ(p.ParamType(), ptOutput);
}

TEST(ParamList, IndexAndLookupErrors) {
    TOrdoParamList list;
    list.Add().SetName(" ID ");
    list.Add().SetName("id");
    for (int bad : {-1, 2}) {
        try {
            (void)list.Items(bad);
            ADD_FAILURE() << "no exception for " << bad;
        } catch (const EOrdoParamException& e) {
            EXPECT_EQ(std::string(e.what()), "Index " + std::to_string(bad) + " Out of bounds");
        }
    }
    EXPECT_EQ(list.FindParam("id"), &list[0]) << "blanks trimmed, case ignored, first match";
    EXPECT_EQ(list.FindParam("nope"), nullptr);
    try {
        (void)list.ParamByName("nope");
        ADD_FAILURE() << "no exception";
    } catch (const EOrdoParamException& e) {
        EXPECT_STREQ(e.what(), "Parameter Not Found: nope");
    }
    EXPECT_EQ(list.GetParamVariant("nope"), Variant(std::string()));
    list[0].SetAsInteger(5);
    EXPECT_EQ(list.GetParamVariant("ID"), Variant(5));
}

TEST(ParamList, DisplayNameRefusesDuplicates) {
    TOrdoParamList list;
    list.Add().SetName("A");
    TOrdoParamItem& b = list.Add();
    b.SetName("B");
    try {
        b.SetDisplayName("a");
        ADD_FAILURE() << "no exception";
    } catch (const EOrdoParamException& e) {
        EXPECT_STREQ(e.what(), "Error: Duplicate Param Name");
    }
    EXPECT_EQ(b.Name(), "B");
    b.SetDisplayName("b");
    EXPECT_EQ(b.Name(), "B") << "a change of letter case alone is no rename";
    b.SetDisplayName("C");
    EXPECT_EQ(b.Name(), "C");
}

TEST(ParamList, FastAddAndDelete) {
    TOrdoParamList list;
    list.FastAdd("A", Variant(1));
    list.FastAdd("B", Variant("x"));
    list.FastAdd("a", Variant(2));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[0].AsInteger(), 2);
    TOrdoParamItem& anon = list.FastAdd(Variant(3.5));
    EXPECT_EQ(anon.Name(), "FastAdd2");
    EXPECT_EQ(anon.ParamType(), ptInput);
    EXPECT_EQ(anon.DataType(), ftFloat);
    EXPECT_TRUE(list.DeleteParam("b"));
    EXPECT_FALSE(list.DeleteParam("b"));
    EXPECT_EQ(list.Count(), 2);
}

TEST(ParamList, CloneCopyAndAssignMatching) {
    TOrdoParamList src;
    src.CreateParam(ftInteger, "A", ptInput).SetAsInteger(1);
    src.CreateParam(ftString, "B", ptOutput).SetAsString("b");
    src[1].SetSize(20);

    TOrdoParamList clone = src.Clone();
    ASSERT_EQ(clone.Count(), 2);
    EXPECT_EQ(clone[1].AsString(), "b");
    EXPECT_EQ(clone[1].Size(), 20);
    EXPECT_EQ(clone[1].Collection(), &clone);
    EXPECT_EQ(clone.SaveToString(), src.SaveToString());

    TOrdoParamList dest;
    dest.Add();
    src.CopyParams(dest, false);
    EXPECT_EQ(dest.Count(), 3);
    src.CopyParams(dest, true);
    EXPECT_EQ(dest.Count(), 2);
    src.CopyParams(src, false);
    EXPECT_EQ(src.Count(), 4) << "copying into itself appends each item once";
    src.CopyParams(src, true);
    EXPECT_EQ(src.Count(), 4) << "and clearing first does not wipe the source";

    TOrdoParamList other;
    other.CreateParam(ftInteger, "a", ptOutput);
    other.CreateParam(ftInteger, "Z", ptOutput).SetAsInteger(9);
    clone[0].SetAsInteger(77);
    clone.AssignMatching(other);
    EXPECT_EQ(other[0].AsInteger(), 77);
    EXPECT_EQ(other[0].Name(), "A") << "the whole item is copied, name included";
    EXPECT_EQ(other[1].AsInteger(), 9);
}

TEST(ParamList, MovedListsKeepTheirItemsOwned) {
    TOrdoParamList a;
    a.Add();
    TOrdoParamList b = std::move(a);
    EXPECT_EQ(b[0].Collection(), &b);
    EXPECT_EQ(b.Add().Name(), "Param2");
}

TEST(ParamList, DesignListLines) {
    TOrdoParamList list;
    try {
        list.ParamsFromDesignList(nullptr);
        ADD_FAILURE() << "no exception";
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Nil list pass to prepare from design list");
    }
    list.Add();
    const std::vector<std::string> lines = {
        "CODE\x06" "1\x06" "3\x06", "NAME\x06" "2\x06" "99\x06", "MEMO\x06" "1\x06" "16", "LONE",
    };
    list.ParamsFromDesignList(&lines);
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list[0].Name(), "CODE");
    EXPECT_EQ(list[0].DataType(), ftInteger);
    EXPECT_EQ(list[0].ParamType(), ptInput);
    EXPECT_TRUE(list[0].IsNull());
    EXPECT_EQ(list[1].DataType(), ftString) << "a type outside 1..37 is text";
    EXPECT_EQ(list[1].Size(), 50);
    EXPECT_EQ(list[1].ParamType(), ptOutput);
    EXPECT_EQ(list[2].DataType(), ftString) << "a field without its 0x06 reads as empty";
    EXPECT_EQ(list[3].Name(), "");
}

}  // namespace
}  // namespace ordo
