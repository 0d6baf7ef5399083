#include "app/file_identity.h"

#include "app/server_address.h"
#include "codec/message_codes.h"
#include "core/errors.h"
#include "core/sha256.h"

namespace ordo {
namespace {

/// Each part as a netstring ("<length>:<bytes>,"), so no choice of names can make two identities' parts run
/// together into the same bytes.
void AddPart(TSha256& hash, std::string_view part) {
    const std::string head = std::to_string(part.size()) + ":";
    hash.Update(AsBytes(head));
    hash.Update(AsBytes(part));
    hash.Update(AsBytes(","));
}

}  // namespace

TReplayIdentity FileIdentity(std::string_view installation, std::string_view fileName, std::int64_t fileSize,
                             std::int64_t modifiedNs, std::string_view content) {
    TReplayIdentity id;
    id.installation = installation;
    id.fileName = fileName;
    id.fileSize = fileSize;
    id.fileTime = modifiedNs;
    id.contentHash = Sha256Hex(content);
    TSha256 hash;
    AddPart(hash, "ordo replay identity 1");
    AddPart(hash, id.installation);
    AddPart(hash, id.fileName);
    AddPart(hash, std::to_string(id.fileSize));
    AddPart(hash, std::to_string(id.fileTime));
    AddPart(hash, id.contentHash);
    id.key = ToHex(hash.Finish());
    return id;
}

TOrdoStringLine ReplayIdentityLine(const TReplayIdentity& identity) {
    TOrdoStringLine line(mcCodedParamList, 0);
    line.AddInteger(kReplayIdentityCode);
    line.AddItem(SaveReplayIdentity(identity), itString);
    line.AddInteger(0);
    return line;
}

bool ReadExactlyOnce(const std::string& exeFolder) {
    const std::string value = ReadEnvValue(exeFolder, kEnvFileName, "FQREPLAY", "ExactlyOnce");
    if (value.empty() || value == "0") return false;
    if (value == "1") return true;
    throw EConvertError(exeFolder + kEnvFileName + ": [FQREPLAY] ExactlyOnce \"" + value + "\" is neither 0 nor 1");
}

}  // namespace ordo
