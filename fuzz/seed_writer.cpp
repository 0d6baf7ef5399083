// Writes the seed inputs of the fuzz targets, built with the project's own encoders from the
// cases the unit tests use, so every seed is a well-formed message or file that mutations start from.
//   fuzz_seed_writer <seeds folder>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "codec/des.h"
#include "codec/message_stack.h"
#include "codec/string_line.h"
#include "codec/zlib_codec.h"
#include "core/memory_stream.h"
#include "core/wire.h"
#include "dataset/field.h"
#include "dataset/ordo_data_set.h"
#include "params/param_item.h"
#include "params/param_list.h"
#include "resultset/field_defs_codec.h"
#include "resultset/row_text_codec.h"

namespace fs = std::filesystem;
using namespace ordo;

namespace {

fs::path root;

void Put(const std::string& target, const std::string& name, ByteView bytes) {
    fs::create_directories(root / target);
    std::ofstream(root / target / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}
void Put(const std::string& target, const std::string& name, std::string_view text) {
    Put(target, name, AsBytes(text));
}
Bytes Cat(std::initializer_list<ByteView> parts) {
    Bytes out;
    for (ByteView p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes TypedParams() {
    TOrdoParamList list;
    list.CreateParam(ftInteger, "ID", ptInput).SetAsInteger(42);
    list.CreateParam(ftString, "NAME", ptInput).SetAsString("O'Brien");
    list.CreateParam(ftFloat, "AMT", ptInput).SetAsFloat(1234.5);
    list.CreateParam(ftCurrency, "CUR", ptInput).SetAsCurrency(Currency::FromRaw(12345678));
    list.CreateParam(ftDateTime, "WHEN", ptInput).SetAsDateTime(45000.25);
    list.CreateParam(ftBlob, "BLOB", ptInput).SetAsBlob(Bytes{0x06, 0x00, 0x06, 0x06, 0xFF});
    list.CreateParam(ftBoolean, "FLAG", ptOutput).SetAsBoolean(true);
    list.CreateParam(ftLargeint, "BIG", ptInputOutput).SetAsLargeInt(-9000000000LL);
    list.CreateParam(ftString, "EMPTY", ptInput);
    return list.SaveToString();
}

void ParamSeeds() {
    Put("param_list", "typed", TypedParams());
    TOrdoParamList one;
    one.Add().SetAsString("second");
    Put("param_list", "one", one.SaveToString());
    Put("param_list", "empty", Bytes{});
}

Bytes SelectLine() {
    TOrdoStringLine line(3, 7);
    line.AddString("SELECT * FROM SAL_JAINFO WHERE BUYERCD = :BUYERCD");
    line.AddInteger(-1);
    line.AddInteger(3);
    line.AddStream(TypedParams());
    return line.EncodeToText();
}

void LineSeeds() {
    Put("string_line", "select", Cat({Bytes{0x1B}, SelectLine()}));
    TOrdoStringLine error(29, 2);
    error.AddString("SQL error: table unknown");
    Put("string_line", "error", Cat({Bytes{0x00}, error.EncodeToText()}));
    TOrdoStringLine bare(43, 0);
    Put("string_line", "bare", Cat({Bytes{0xFF}, bare.EncodeToText()}));
}

void FrameSeeds() {
    const Bytes body = SelectLine();
    Put("frame_cutter", "two_frames", Cat({Bytes{0x07}, PrefixFrame(body), PrefixFrame(AsBytes("ack"))}));
    Bytes marker(4);
    StoreI32LE(marker.data(), TOrdoMessageStack::kMarkerA);
    Put("frame_cutter", "marker", Cat({Bytes{0x03}, marker, PrefixFrame(body)}));
    Bytes partial = PrefixFrame(body);
    partial.resize(partial.size() / 2);
    Put("frame_cutter", "partial", Cat({Bytes{0x11}, partial}));
    Bytes large = PrefixFrame(Bytes(70000, 0x41));
    Put("frame_cutter", "large", Cat({Bytes{0x29}, large}));
}

void TransformSeeds() {
    const Bytes body = SelectLine();
    const TOrdoDESKey key(std::string_view("ordo-key"));
    Put("transforms", "zlib", Cat({Bytes{0x01}, ZLibCompress(body)}));
    Put("transforms", "des", Cat({Bytes{0x02}, DESEncryptBody(key, body)}));
    Put("transforms", "zlib_then_des", Cat({Bytes{0x03}, DESEncryptBody(key, ZLibCompress(body))}));
    Put("transforms", "des_then_zlib", Cat({Bytes{0x0B}, ZLibCompress(DESEncryptBody(key, body))}));
    Put("transforms", "rows", Cat({Bytes{0x00}, ZLibCompress(AsBytes("1\x02" "abc\x02\x04"))}));
}

std::vector<TOrdoFieldDef> LedgerDefs() {
    return {{"SALEDT", ftString, 10}, {"BUYERCD", ftString, 20}, {"JIJA", ftFloat, 1},
            {"CNT", ftInteger, 1},     {"WHEN", ftDateTime, 1},  {"CUR", ftCurrency, 1},
            {"MEMO", ftMemo, 1},       {"BIN", ftBlob, 1},       {"BCD", ftFMTBcd, 18}};
}

std::string LedgerRows() {
    TOrdoRowTextWriter w;
    for (int i = 0; i < 3; ++i) {
        w.AddText("2024-01-0" + std::to_string(i + 1));
        w.AddText(i == 1 ? "" : "B001");
        w.AddFloat(1000.5 * i);
        w.AddInteger(i);
        w.AddDateTime(45000 + i);
        w.AddCurrency(Currency::FromRaw(10000 * i));
        w.AddText("memo text");
        w.AddBinary(Bytes{1, 2, 3, static_cast<std::uint8_t>(i)});
        if (i == 2) w.AddNull(); else w.AddBcd(StrToBcd("12.34"));
        w.EndRow();
    }
    w.EndOfData();
    return w.Take();
}

void ResultSeeds() {
    const std::string defs = EncodeFieldDefinitions(LedgerDefs());
    Put("field_defs", "ledger", defs);
    Put("field_defs", "odd", std::string("A\x02x\x02y\x02\x04" "B\x02" "5\x02\x04trailing"));
    Bytes prefix(2);
    StoreU16LE(prefix.data(), static_cast<std::uint16_t>(defs.size()));
    Put("row_text", "ledger", Cat({prefix, AsBytes(defs), AsBytes(LedgerRows())}));
    Put("row_text", "null_row", Cat({prefix, AsBytes(defs), AsBytes(std::string_view("\x03\x02\x03\x02\x04NULL\x02\x04"))}));
}

void StreamSeeds() {
    TOrdoDataSet ds;
    ds.AddFieldDescription("ID", ftInteger, 0);
    ds.AddFieldDescription("NAME", ftString, 20);
    ds.AddFieldDescription("AMT", ftFloat, 0);
    ds.AddFieldDescription("MEMO", ftMemo, 0);
    ds.Open();
    for (int i = 1; i <= 3; ++i) {
        ds.Append();
        ds.FieldByName("ID").SetAsInteger(i);
        ds.FieldByName("NAME").SetAsString("name " + std::to_string(i));
        ds.FieldByName("AMT").SetAsFloat(i * 1.25);
        if (i != 2) ds.FieldByName("MEMO").SetAsString("memo");
        ds.Post();
    }
    TMemoryStream whole;
    ds.SaveToStream(whole);
    Put("dataset_stream", "whole", Cat({Bytes{0x00}, whole.Memory()}));
    TMemoryStream legacy;
    ds.RowList()->SaveToStream(legacy);
    ds.BlobList().SaveToStream(legacy);
    Put("dataset_stream", "legacy", Cat({Bytes{0x01}, legacy.Memory()}));
    TMemoryStream blobs;
    ds.BlobList().SaveToStream(blobs);
    Put("dataset_stream", "blobs", Cat({Bytes{0x02}, blobs.Memory()}));
    TMemoryStream indexes;
    WriteIndexesSection(indexes, {true, "BYNAME", {{"BYNAME", "NAME", 0, 1, {3, 1, 2}}}});
    Put("dataset_stream", "indexes", Cat({Bytes{0x03}, indexes.Memory()}));
    TMemoryStream aggregates;
    WriteAggregatesSection(aggregates, {true, {{"TOTAL", "AMT", 0, "", 0, true}}});
    Put("dataset_stream", "aggregates", Cat({Bytes{0x04}, aggregates.Memory()}));
    // A GUID column saved with a slot narrower than 38 bytes, which a load widens.
    TOrdoDataSet narrow;
    narrow.SetFieldDescriptions({"ID,3,0", "G,35,25"});
    narrow.CreateRowList(true);
    narrow.DecodeRowText(std::string_view("1\x02{3F2504E0-4F89-11D3-9A0\x02\x04" "2\x02\x03\x02\x04"));
    TMemoryStream guid;
    narrow.SaveToStream(guid);
    Put("dataset_stream", "narrow_guid", Cat({Bytes{0x00}, guid.Memory()}));
}

void TextSeeds() {
    Put("ini_file", "environment",
        std::string("\xFF[SYSTEM]\r\nSvrIP=127.0.0.1\r\nSvrNM=\r\nDBDSPort=7A8B2C1D,9\r\n[SYSSETUP]\r\nDMGID=SHOP01\r\n"));
    Put("ini_file", "quoted", std::string("\x10 [ system ]\n svrip = \"10.0.0.1\" \nDBDSPort='zz'\n[SYSTEM]\nSvrIP=dup\n"));
    Put("queue_file", "update", std::string("UPDATE OR INSERT INTO BAS_MCBUYER (BUYERCD, CURRMISU) VALUES ('B001', 10)\r\n"
                                            "MATCHING (BUYERCD)\r\n"));
    Put("queue_file", "select", std::string("SELECT FIRST 1 * FROM SAL_JAINFO\n"));
    Put("queue_file", "execute", std::string("EXECUTE BLOCK RETURNS (X INT) AS DECLARE Y INT; BEGIN X = 1; SUSPEND; END\r\n"));
    Put("queue_file", "command", std::string("SetGRNY,B001,홍길동,2024-01-01\r\n"));
    Put("setgrny_line", "buyer", std::string("SetGRNY,B001,홍길동,2024-01-01"));
    Put("setgrny_line", "walk_in", std::string("SetGRNY,,,2024-03-15"));
    Put("setgrny_line", "quoted", std::string("SetGRNY,\"B,001\"x, O'Brien ,2024-01-01"));
    Put("setgrny_line", "injection", std::string("SetGRNY,B001,a'); DELETE FROM SAL_JAINFO; --,2024-01-01"));
    Put("server_sql", "batch", std::string("DELETE FROM SAL_JAINFO WHERE BUYERCD = 'B001'\r\n"
                                           "UPDATE OR INSERT INTO SAL_JAINFO (SALEDT) VALUES ('2024-01-01') MATCHING (SALEDT)\r\n"
                                           "UPDATE BAS_MCBUYER SET CURRMISU = 1 WHERE BUYERCD = :BUYERCD;\r\n"));
    Put("server_sql", "block", std::string("SET TERM ^ ;\nCREATE PROCEDURE P AS BEGIN END^\nSET TERM ; ^\n"
                                           "-- comment\n/* block */ SELECT 'it''s' FROM RDB$DATABASE WHERE ID = :ID AND X = ?;\n"));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <seeds folder>\n", argv[0]);
        return 2;
    }
    root = argv[1];
    ParamSeeds();
    LineSeeds();
    FrameSeeds();
    TransformSeeds();
    ResultSeeds();
    StreamSeeds();
    TextSeeds();
    return 0;
}
