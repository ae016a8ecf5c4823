#ifndef QUILLET_DB_DATABASE_H
#define QUILLET_DB_DATABASE_H

#include <cstddef>

#include "db/OdbcHandle.h"
#include "text/Str.h"

// One ODBC connection to the data source a connection string names, used
// with ODBC 2 behaviour. It owns its environment, its connection and a spare
// statement whose diagnostics belong to the error text. Record sets opened on
// it must be closed before it disconnects. Not copyable: it owns handles.
class CDatabase {
public:
    // The longest connection string the driver manager can be given: its
    // length travels as a signed 16-bit value.
    static constexpr size_t MAX_CONNECTION_STRING = 32767;

    CDatabase();
    CDatabase(const CDatabase&) = delete;
    CDatabase& operator=(const CDatabase&) = delete;
    virtual ~CDatabase();

    // Disconnects first when connected. On failure the handles of the attempt
    // stay until the next Connect or destruction, for GetErrorText.
    bool Connect(const char* connectionString);
    // Releases every handle, also those of a failed attempt.
    void Disconnect();
    bool IsConnected() const { return connected_; }

    // The diagnostics of the environment, the connection and the spare
    // statement, one record per line; or why Connect refused the string.
    CStr GetErrorText() const;

    void* GetConnectionHandle() const { return connection_.Get(); }

private:
    bool Attach(const char* connectionString, size_t length);

    COdbcHandle environment_;
    COdbcHandle connection_;
    COdbcHandle spareStatement_;
    bool connected_;
    CStr refusal_;
};

#endif
