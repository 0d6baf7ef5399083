#pragma once
// Statement execution, and the settings and steps by which changed rows become update
// statements for the server (cached updates).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "client/client_base_data_set.h"

namespace ordo {

class TOrdoUpdateClientDataSet : public TOrdoBaseClientDataSet {
public:
    /// Runs the statement without a result set. The data set stays as it was (closed stays
    /// closed). A server error is raised as EDatabaseError with the socket's text unchanged.
    void ExecuteSQL();
    /// Rows affected by the last execute; 0 from the moment an execute starts.
    [[nodiscard]] std::int32_t RowsAffected() const noexcept { return rowsAffected_; }
    void RowsAffectedArrived(std::int32_t rowsAffected) override { rowsAffected_ = rowsAffected; }

    [[nodiscard]] TOrdoUpdateMethod UpdateMethod() const noexcept { return updateMethod_; }
    /// Cached and after-post updates record the changes of the rows.
    void SetUpdateMethod(TOrdoUpdateMethod value) noexcept;
    [[nodiscard]] TOrdoUpdateMode UpdateMode() const noexcept { return updateMode_; }
    void SetUpdateMode(TOrdoUpdateMode value) noexcept { updateMode_ = value; }
    [[nodiscard]] TGenerateSQLLocation SQLGenerateLocation() const noexcept { return generateLocation_; }
    /// gsServer also switches to cached updates.
    void SetSQLGenerateLocation(TGenerateSQLLocation value) noexcept;
    /// Descriptive only ("Read Only" or "Cached Provider").
    [[nodiscard]] const std::string& EditMode() const noexcept { return editMode_; }
    void SetEditMode(std::string_view value) { editMode_ = std::string(value); }

    [[nodiscard]] const std::string& UpdateTableName() const noexcept { return updateTableName_; }
    void SetUpdateTableName(std::string_view value) { updateTableName_ = std::string(value); }
    [[nodiscard]] const std::string& AutoIncrementField() const noexcept { return autoIncrementField_; }
    void SetAutoIncrementField(std::string_view value) { autoIncrementField_ = std::string(value); }
    [[nodiscard]] std::vector<std::string>& PrimeFields() noexcept { return primeFields_; }
    [[nodiscard]] std::vector<std::string>& RefetchOnInsert() noexcept { return refetchOnInsert_; }
    [[nodiscard]] std::vector<std::string>& NoSQLFields() noexcept { return noSQLFields_; }
    [[nodiscard]] std::vector<std::string>& MultiTable() noexcept { return multiTable_; }
    /// A sequence name; generated keys use it followed by ".NextVal".
    [[nodiscard]] const std::string& OracleSequence() const noexcept { return oracleSequence_; }
    void SetOracleSequence(std::string_view value) { oracleSequence_ = std::string(value); }

    /// 1 when the auto-increment field is both a prime field and refetched on insert, 2 when
    /// both lists are set otherwise, else 0.
    [[nodiscard]] int RefetchMode() const;
    /// The update information sent with an execute: empty unless a refetch mode is configured
    /// and there are logged changes.
    [[nodiscard]] Bytes UpdateInformation() const;
    /// One statement per logged change, in log order ("delete" stands for a deleted row in
    /// the update information, but here it is the full DELETE statement).
    [[nodiscard]] std::vector<std::string> GenerateUpdateStatements() const;
    /// Sends the generated statements bracketed by the socket's transaction texts as one
    /// execute, then forgets the logged changes.
    void ApplyUpdates();

protected:
    void InternalPost() override;

private:
    std::int32_t rowsAffected_ = 0;
    TOrdoUpdateMethod updateMethod_ = umManual;
    TOrdoUpdateMode updateMode_ = upWhereKeyOnly;
    TGenerateSQLLocation generateLocation_ = gsClient;
    std::string editMode_ = "Read Only";
    std::string updateTableName_;
    std::string autoIncrementField_;
    std::vector<std::string> primeFields_;
    std::vector<std::string> refetchOnInsert_;
    std::vector<std::string> noSQLFields_;
    std::vector<std::string> multiTable_;
    std::string oracleSequence_;
    bool applying_ = false;
};

}  // namespace ordo
