#include "params/param_list.h"

#include "params/param_codec.h"

#include <utility>
#include "core/text_convert.h"

namespace ordo {

TOrdoParamList::TOrdoParamList(TOrdoParamList&& other) noexcept
    : OnShowMessage(std::move(other.OnShowMessage)), items_(std::move(other.items_)), counter_(other.counter_) {
    for (auto& item : items_) item->list_ = this;
}

TOrdoParamList& TOrdoParamList::operator=(TOrdoParamList&& other) noexcept {
    if (this == &other) return *this;
    OnShowMessage = std::move(other.OnShowMessage);
    items_ = std::move(other.items_);
    counter_ = other.counter_;
    for (auto& item : items_) item->list_ = this;
    return *this;
}

TOrdoParamItem& TOrdoParamList::AddUnnamed() {
    auto item = std::make_unique<TOrdoParamItem>();
    item->list_ = this;
    item->paramType_ = ptInput;
    ++counter_;
    items_.push_back(std::move(item));
    return *items_.back();
}

TOrdoParamItem& TOrdoParamList::Add() {
    TOrdoParamItem& item = AddUnnamed();
    item.name_ = "Param" + std::to_string(counter_);
    return item;
}

TOrdoParamItem& TOrdoParamList::AddCopy(const TOrdoParamItem& source) {
    TOrdoParamItem& item = AddUnnamed();
    item.Assign(source);
    return item;
}

TOrdoParamItem& TOrdoParamList::CreateParam(TFieldType dataType, std::string_view name, TOrdoParamType paramType) {
    TOrdoParamItem& item = Add();
    item.SetDataType(dataType);
    item.SetName(name);
    item.SetParamType(paramType);
    return item;
}

void TOrdoParamList::CheckIndex(int index) const {
    if (index < 0 || index >= Count())
        throw EOrdoParamException("Index " + std::to_string(index) + " Out of bounds");
}

TOrdoParamItem& TOrdoParamList::Items(int index) {
    CheckIndex(index);
    return *items_[static_cast<std::size_t>(index)];
}

const TOrdoParamItem& TOrdoParamList::Items(int index) const {
    CheckIndex(index);
    return *items_[static_cast<std::size_t>(index)];
}

const TOrdoParamItem* TOrdoParamList::FindParam(std::string_view name) const noexcept {
    for (const auto& item : items_)
        if (SameText(Trim(item->Name()), name)) return item.get();
    return nullptr;
}

TOrdoParamItem* TOrdoParamList::FindParam(std::string_view name) noexcept {
    return const_cast<TOrdoParamItem*>(std::as_const(*this).FindParam(name));
}

const TOrdoParamItem& TOrdoParamList::ParamByName(std::string_view name) const {
    const TOrdoParamItem* item = FindParam(name);
    if (item == nullptr) throw EOrdoParamException("Parameter Not Found: " + std::string(name));
    return *item;
}

TOrdoParamItem& TOrdoParamList::ParamByName(std::string_view name) {
    return const_cast<TOrdoParamItem&>(std::as_const(*this).ParamByName(name));
}

Variant TOrdoParamList::GetParamVariant(std::string_view name) const {
    const TOrdoParamItem* item = FindParam(name);
    return item != nullptr ? item->Value() : Variant(std::string());
}

TOrdoParamItem& TOrdoParamList::FastAdd(std::string_view name, const Variant& value) {
    if (TOrdoParamItem* item = FindParam(name)) {
        item->SetValue(value);
        return *item;
    }
    TOrdoParamItem& item = Add();
    item.SetName(name);
    item.SetValue(value);
    item.SetParamType(ptInput);
    return item;
}

TOrdoParamItem& TOrdoParamList::FastAdd(const Variant& value) {
    TOrdoParamItem& item = Add();
    item.SetName("FastAdd" + std::to_string(Count() - 1));
    item.SetValue(value);
    item.SetParamType(ptInput);
    return item;
}

bool TOrdoParamList::DeleteParam(std::string_view name) {
    for (auto it = items_.begin(); it != items_.end(); ++it) {
        if (SameText(Trim((*it)->Name()), name)) {
            items_.erase(it);
            return true;
        }
    }
    return false;
}

void TOrdoParamList::Delete(int index) {
    CheckIndex(index);
    items_.erase(items_.begin() + index);
}

TOrdoParamList TOrdoParamList::Clone() const {
    TOrdoParamList copy;
    CopyParams(copy, false);
    return copy;
}

void TOrdoParamList::CopyParams(TOrdoParamList& dest, bool clearFirst) const {
    if (&dest == this) {
        // Clearing first would leave nothing to copy from; a list already equals its copy.
        if (clearFirst) return;
        const int n = Count();
        for (int i = 0; i < n; ++i) dest.AddCopy(*items_[static_cast<std::size_t>(i)]);
        return;
    }
    if (clearFirst) dest.Clear();
    for (const auto& item : items_) dest.AddCopy(*item);
}

void TOrdoParamList::AssignMatching(TOrdoParamList& other) const {
    for (auto& target : other.items_)
        if (const TOrdoParamItem* mine = FindParam(target->Name())) target->Assign(*mine);
}

Bytes TOrdoParamList::SaveToString(bool inputOnly) const { return detail::EncodeParamList(*this, inputOnly); }

void TOrdoParamList::LoadFromString(ByteView data) { detail::DecodeParamList(data, *this); }

TOrdoParamList TOrdoParamList::CreateFromString(ByteView data) {
    TOrdoParamList list;
    list.LoadFromString(data);
    return list;
}

}  // namespace ordo
