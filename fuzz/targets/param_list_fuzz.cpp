// Parameter list strings arrive in every reply and in data set streams.
#include "fuzz/fuzz_input.h"
#include "params/param_item.h"
#include "params/param_list.h"

namespace {

using ordo::fuzz::Tolerant;

void ReadEveryWay(ordo::TOrdoParamItem& item) {
    Tolerant([&] { (void)item.AsString(); });
    Tolerant([&] { (void)item.Value(); });
    Tolerant([&] { (void)item.AsGuid(); });
    Tolerant([&] { (void)item.AsBoolean(); });
    Tolerant([&] { (void)item.AsSmallint(); });
    Tolerant([&] { (void)item.AsWord(); });
    Tolerant([&] { (void)item.AsInteger(); });
    Tolerant([&] { (void)item.AsLargeInt(); });
    Tolerant([&] { (void)item.AsFloat(); });
    Tolerant([&] { (void)item.AsCurrency(); });
    Tolerant([&] { (void)item.AsBCD(); });
    Tolerant([&] { (void)item.AsFMTBCD(); });
    Tolerant([&] { (void)item.AsSQLTimeStamp(); });
    Tolerant([&] { (void)item.AsDateTime(); });
    Tolerant([&] { (void)item.AsStream(); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ordo::TOrdoParamList list;
    Tolerant([&] { list.LoadFromString({data, size}); });

    // What was decoded must encode to bytes that decode to the same list.
    ordo::Bytes again;
    try {
        again = list.SaveToString();
    } catch (const ordo::EOrdoError&) {
        return 0;
    }
    ordo::TOrdoParamList second;
    second.LoadFromString(again);
    ordo::fuzz::Require(second.Count() == list.Count(), "re-decoded parameter count");
    ordo::fuzz::Require(second.SaveToString() == again, "parameter list encoding is stable");

    for (auto& item : list) ReadEveryWay(*item);
    return 0;
}
