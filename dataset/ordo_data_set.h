#pragma once
// The stand-alone in-memory data set: columns defined by the program, optional numbering of
// auto-increment columns.
//
//   TOrdoDataSet ds;
//   ds.AddFieldDescription("ID", ftAutoInc, 0);
//   ds.AddFieldDescription("NAME", ftString, 20);
//   ds.SetAutoIncrement(true);
//   ds.Open();
//   ds.Append(); ds.FieldByName("NAME").SetAsString("a"); ds.Post();   // ID becomes 1
#include <cstdint>
#include <string>
#include <string_view>

#include "dataset/custom_data_set.h"

namespace ordo {

class TOrdoDataSet : public TOrdoCustomDataSet {
public:
    /// Kept with the component; nothing reads it at run time.
    [[nodiscard]] const std::string& FieldsDefine() const noexcept { return fieldsDefine_; }
    void SetFieldsDefine(std::string_view value) { fieldsDefine_ = std::string(value); }

    /// Numbering of ftAutoInc columns; off by default.
    [[nodiscard]] bool AutoIncrement() const noexcept { return autoIncrement_; }
    void SetAutoIncrement(bool value) noexcept { autoIncrement_ = value; }
    /// The number the next inserted record receives.
    [[nodiscard]] std::int32_t NextAutoIncValue() const noexcept { return nextAutoInc_; }

protected:
    [[nodiscard]] bool TracksAutoIncrement() const override { return autoIncrement_; }
    [[nodiscard]] std::int32_t NextAutoIncrement() const override { return nextAutoInc_; }
    void SetNextAutoIncrement(std::int32_t value) override { nextAutoInc_ = value; }
    void InternalInitRecord(TRecordBuffer& buffer) override;
    void BeforeInsertPost(TRecordBuffer& buffer) override;
    void RowsEmptied() override { nextAutoInc_ = 1; }

private:
    std::string fieldsDefine_;
    bool autoIncrement_ = false;
    std::int32_t nextAutoInc_ = 1;
};

}  // namespace ordo
