#include "client/client_requests.h"

#include <gtest/gtest.h>

#include "codec/message_codes.h"
#include "params/param_list.h"

namespace ordo {
namespace {

// Encodes and decodes the line, as the peer would see it.
TOrdoStringLine Received(TOrdoStringLine line) {
    TOrdoStringLine in;
    in.DecodeFromText(line.EncodeToText());
    return in;
}

TEST(ClientRequests, SelectCarriesTextRowsOptionsAndInputParametersOnly) {
    TOrdoParamList params;
    params.CreateParam(ftInteger, "A", ptInput).SetAsInteger(42);
    params.CreateParam(ftInteger, "OUT", ptOutput).SetAsInteger(1);
    TOrdoStringLine in = Received(SelectRequest(7, "SELECT 1\r\n", -1, {soFetchMemos, soFetchBlobs}, "DB", params));
    EXPECT_EQ(in.Token(), mcSelectSQL);
    EXPECT_EQ(in.DataSetId(), 7);
    EXPECT_EQ(in.ItemCount(), 4u);
    EXPECT_EQ(in.ReadString(), "SELECT 1\r\n");
    EXPECT_EQ(in.ReadInteger(), -1);
    EXPECT_EQ(in.ReadInteger(), 3);
    const std::string last = in.ReadString();
    ASSERT_EQ(last.substr(0, 3), std::string("DB\x05"));
    TOrdoParamList back = TOrdoParamList::CreateFromString(AsBytes(last).subspan(3));
    ASSERT_EQ(back.Count(), 1);
    EXPECT_EQ(back[0].Name(), "A");
    EXPECT_EQ(back[0].AsInteger(), 42);
}

TEST(ClientRequests, OptionsNumberFollowsTheBitOrder) {
    EXPECT_EQ(OptionsNumber({soFetchMemos, soFetchBlobs}), 3);
    EXPECT_EQ(OptionsNumber({soFetchMemos, soFetchBlobs, soNoWait}), 2051);
    EXPECT_EQ(OptionsNumber({soMapBCDtoFloat}), 0x8000);
    EXPECT_EQ(OptionsNumber({}), 0);
}

TEST(ClientRequests, ExecuteCarriesAllParametersDatabaseAndUpdateInformation) {
    TOrdoParamList params;
    params.CreateParam(ftString, "X", ptOutput).SetAsString("v");
    TOrdoStringLine in = Received(ExecRequest(2, "DELETE FROM T\r\n", params, "MAIN", {}));
    EXPECT_EQ(in.Token(), mcExecSQL);
    EXPECT_EQ(in.DataSetId(), 2);
    EXPECT_EQ(in.ItemCount(), 4u);
    EXPECT_EQ(in.ReadString(), "DELETE FROM T\r\n");
    TOrdoParamList back = TOrdoParamList::CreateFromString(AsBytes(in.ReadString()));
    ASSERT_EQ(back.Count(), 1) << "an execute sends output items as well";
    EXPECT_EQ(back[0].AsString(), "v");
    EXPECT_EQ(in.ReadString(), "MAIN");
    EXPECT_EQ(in.ReadString(), "");

    TOrdoParamList none;
    TOrdoStringLine empty = Received(ExecRequest(2, "X", none, "", {}));
    empty.ReadString();
    EXPECT_EQ(empty.ReadString(), "") << "no parameters give the empty string";
}

TEST(ClientRequests, StoredProcedureRawSelectAndMetadataOrder) {
    TOrdoParamList params;
    params.CreateParam(ftInteger, "R", ptResult);
    TOrdoStringLine sp = Received(StoredProcRequest(3, "GET_IT", params, "DB", 10, {soExecStoredProc}));
    EXPECT_EQ(sp.Token(), mcStoredProc);
    EXPECT_EQ(sp.ReadString(), "GET_IT");
    EXPECT_EQ(TOrdoParamList::CreateFromString(AsBytes(sp.ReadString())).Count(), 1);
    EXPECT_EQ(sp.ReadString(), "DB");
    EXPECT_EQ(sp.ReadInteger(), 10);
    EXPECT_EQ(sp.ReadInteger(), 128);

    TOrdoStringLine raw = Received(RawSelectRequest(3, "DB", "SELECT X\r\n", -1, {soNoWait}));
    EXPECT_EQ(raw.Token(), mcRawSelect);
    EXPECT_EQ(raw.ReadString(), "DB");
    EXPECT_EQ(raw.ReadString(), "SELECT X\r\n");
    EXPECT_EQ(raw.ReadInteger(), -1);
    EXPECT_EQ(raw.ReadInteger(), 2048 + 3) << "memos and blobs are always asked for";

    TOrdoStringLine md = Received(MetaDataRequest(3, "PROC", AsBytes("second"), "DB", MetaDataKind(mdCustomDataSets)));
    EXPECT_EQ(md.Token(), mcMetaData);
    EXPECT_EQ(md.ReadString(), "PROC");
    EXPECT_EQ(md.ReadString(), "second");
    EXPECT_EQ(md.ReadString(), "DB");
    EXPECT_EQ(md.ReadInteger(), 111);
}

TEST(ClientRequests, OpenTextEndsEveryLineAndAppendsTheOrder) {
    EXPECT_EQ(OpenText({"SELECT * FROM T"}, "", false), "SELECT * FROM T\r\n");
    EXPECT_EQ(OpenText({"SELECT *", "FROM T"}, "A", false), "SELECT *\r\nFROM T\r\n ORDER BY A DESC");
    EXPECT_EQ(OpenText({"S"}, "B, C", true), "S\r\n ORDER BY B, C ASC");
    EXPECT_EQ(OpenText({}, "", true), "");
    EXPECT_EQ(PlainText({"a", "b"}), "a\r\nb\r\n");
}

}  // namespace
}  // namespace ordo
