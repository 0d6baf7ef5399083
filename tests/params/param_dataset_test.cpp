#include <gtest/gtest.h>

#include "dataset/ordo_data_set.h"
#include "params/param_dataset.h"

namespace ordo {
namespace {

/// A data set with one row per column description, as the statement workbench writes them.
void FillDefinitions(TOrdoDataSet& ds) {
    ds.AddFieldDescription("Name", ftString, 20);
    ds.AddFieldDescription("Datatype", ftInteger, 0);
    ds.AddFieldDescription("ParamType", ftInteger, 0);
    ds.Open();
    const struct { const char* name; int type; int kind; } rows[] = {{"CODE", ftInteger, ptInput}, {"TOTAL", ftFloat, ptOutput}};
    for (const auto& r : rows) {
        ds.Append();
        ds.FieldByName("Name").SetAsString(r.name);
        ds.FieldByName("Datatype").SetAsInteger(r.type);
        ds.FieldByName("ParamType").SetAsInteger(r.kind);
        ds.Post();
    }
}

TEST(ParamDataSet, ListFromADataSetOfDefinitions) {
    TOrdoDataSet ds;
    FillDefinitions(ds);
    TOrdoParamList list;
    list.Add();
    ParamsFromDataSet(list, &ds);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[0].Name(), "CODE");
    EXPECT_EQ(list[0].DataType(), ftInteger);
    EXPECT_EQ(list[1].ParamType(), ptOutput);
    ParamsFromDataSet<TOrdoDataSet>(list, nullptr);
    EXPECT_EQ(list.Count(), 0);
}

TEST(ParamDataSet, ItemsFromAndToFields) {
    TOrdoDataSet ds;
    ds.AddFieldDescription("ID", ftAutoInc, 0);
    ds.AddFieldDescription("NAME", ftFixedChar, 8);
    ds.AddFieldDescription("PRICE", ftCurrency, 0);
    ds.AddFieldDescription("NOTE", ftString, 10);
    ds.Open();
    ds.Append();
    ds.FieldByName("ID").SetAsInteger(7);
    ds.FieldByName("NAME").SetAsString("abc");
    ds.FieldByName("PRICE").SetAsCurrency(Currency::FromRaw(12500));
    ds.Post();

    TOrdoParamItem id, name, price, note;
    name.SetName("KEEP");
    AssignFromField(id, ds.FieldByName("ID"));
    AssignFromField(name, ds.FieldByName("NAME"));
    AssignFromField(price, ds.FieldByName("PRICE"));
    AssignFromField(note, ds.FieldByName("NOTE"));
    EXPECT_EQ(id.Name(), "ID");
    EXPECT_EQ(id.DataType(), ftInteger) << "auto-increment goes through the variant";
    EXPECT_EQ(id.AsInteger(), 7);
    EXPECT_EQ(name.Name(), "KEEP");
    EXPECT_EQ(name.DataType(), ftFixedChar);
    EXPECT_EQ(name.Size(), 8);
    EXPECT_EQ(name.AsString(), "abc");
    EXPECT_EQ(price.AsCurrency().Raw(), 12500);
    EXPECT_TRUE(note.IsNull());
    EXPECT_EQ(note.DataType(), ftString);

    ds.Edit();
    TOrdoParamItem fresh;
    fresh.SetAsString("xyz");
    AssignToField(fresh, ds.FieldByName("NOTE"));
    ds.Post();
    EXPECT_EQ(ds.FieldByName("NOTE").AsString(), "xyz");
}

TEST(ParamDataSet, DataSetTravelsAsItemBytes) {
    TOrdoDataSet source;
    FillDefinitions(source);
    TMemoryStream stream;
    source.SaveToStream(stream);
    TOrdoParamItem item;
    item.SetAsBlob(stream.Memory());
    item.SetDataType(ftDataSet);

    TOrdoParamList wire;
    wire.Add().Assign(item);
    TOrdoParamList back = TOrdoParamList::CreateFromString(wire.SaveToString());
    std::unique_ptr<TOrdoDataSet> loaded = AsDataSet<TOrdoDataSet>(back[0]);
    ASSERT_NE(loaded, nullptr);
    TOrdoParamList list;
    ParamsFromDataSet(list, loaded.get());
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[1].Name(), "TOTAL");
    EXPECT_EQ(AsDataSet<TOrdoDataSet>(TOrdoParamItem{}), nullptr);
    EXPECT_EQ(item.AsStream()->Size(), static_cast<std::int64_t>(stream.Memory().size()));
}

}  // namespace
}  // namespace ordo
