#ifndef QUILLET_DB_RECORDSET_H
#define QUILLET_DB_RECORDSET_H

#include <cstddef>
#include <memory>
#include <vector>

#include "db/Field.h"
#include "db/OdbcHandle.h"
#include "text/Str.h"

class CDatabase;

// One statement run on a connected database, its result walked forward one
// row per fetch. Each result column is a CField, in column order. Must be
// closed or destroyed before its database disconnects. Not copyable: it owns
// a statement handle and the fields bound to it.
//
// Reading loop: while (!IsEOF()) { read fields; MoveNext(); } then FetchFailed().
class CRecordSet {
public:
    CRecordSet();
    CRecordSet(const CRecordSet&) = delete;
    CRecordSet& operator=(const CRecordSet&) = delete;
    virtual ~CRecordSet();

    // Prepares and executes the statement (executes it directly when the
    // driver cannot prepare it), describes and binds the columns of its first
    // result with columns and fetches the first row. True once the
    // statement ran; a statement without result columns opens as an empty
    // result. Closes what was open before.
    bool Open(const CDatabase& database, const char* statementText);
    void MoveNext();
    // No current row: the end of the result, or a failed fetch.
    bool IsEOF() const { return endOfData_; }
    // The last fetch failed rather than reaching the end; GetErrorText tells why.
    bool FetchFailed() const { return fetchFailed_; }
    // After the end of the result: the statement returned another result
    // with columns, which is not read.
    bool HasMoreResults() const { return moreResults_; }

    size_t GetFieldCount() const { return fields_.size(); }
    // REQUIRES: index < GetFieldCount().
    CField& GetField(size_t index) { return *fields_[index]; }

    // The diagnostics of the failed fetch, or else of the statement.
    CStr GetErrorText() const;
    // Allocates nothing, so it cannot fail.
    void Close();

private:
    // A fresh statement handle with the cursor and binding options set.
    bool Allocate(const CDatabase& database);
    short Execute(const CDatabase& database, const char* statementText, bool storedText, bool readsInAnyOrder);
    bool SkipResultsWithoutColumns();
    void CheckForMoreResults();
    void DescribeFields(bool storedText);
    void BindFields(bool readsInAnyOrder);
    void Fetch();

    COdbcHandle statement_;
    bool endOfData_;
    bool fetchFailed_;
    bool moreResults_;
    std::vector<std::unique_ptr<CField>> fields_;
    CStr savedError_;
};

#endif
