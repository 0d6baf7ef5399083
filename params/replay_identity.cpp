#include "params/replay_identity.h"

#include <algorithm>

#include "core/errors.h"
#include "params/param_list.h"

namespace ordo {
namespace {

void AddText(TOrdoParamList& list, std::string_view name, std::string_view value) {
    TOrdoParamItem& item = list.Add();
    item.SetName(name);
    item.SetAsString(value);
}

void AddNumber(TOrdoParamList& list, std::string_view name, std::int64_t value) {
    TOrdoParamItem& item = list.Add();
    item.SetName(name);
    item.SetAsLargeInt(value);
}

bool IsKey(std::string_view key) {
    return key.size() == 64 && std::all_of(key.begin(), key.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
           });
}

}  // namespace

Bytes SaveReplayIdentity(const TReplayIdentity& identity) {
    TOrdoParamList list;
    AddText(list, "Key", identity.key);
    AddText(list, "DMGID", identity.installation);
    AddText(list, "FileName", identity.fileName);
    AddNumber(list, "FileSize", identity.fileSize);
    AddNumber(list, "FileTime", identity.fileTime);
    AddText(list, "ContentHash", identity.contentHash);
    return list.SaveToString(false);
}

TReplayIdentity LoadReplayIdentity(ByteView bytes) {
    const TOrdoParamList list = TOrdoParamList::CreateFromString(bytes);
    auto text = [&](std::string_view name) {
        const TOrdoParamItem* item = list.FindParam(name);
        return item ? item->AsString() : std::string();
    };
    auto number = [&](std::string_view name) {
        const TOrdoParamItem* item = list.FindParam(name);
        return item && item->DataType() == ftLargeint ? item->AsLargeInt() : 0;
    };
    TReplayIdentity identity{text("Key"), text("DMGID"), text("FileName"), number("FileSize"), number("FileTime"),
                             text("ContentHash")};
    if (!IsKey(identity.key))
        throw EOrdoProtocolError("Replay identity without a key of 64 hexadecimal digits: \"" +
                                 identity.key.substr(0, 80) + "\"");
    std::transform(identity.key.begin(), identity.key.end(), identity.key.begin(),
                   [](char c) { return c >= 'A' && c <= 'F' ? static_cast<char>(c - 'A' + 'a') : c; });
    return identity;
}

}  // namespace ordo
