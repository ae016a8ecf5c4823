#include "db/Database.h"

#include <cstdint>
#include <cstring>

#include "db/CursorOptions.h"
#include "db/Diagnostics.h"
#include "db/OdbcApi.h"

namespace {

// Set once per process, before the first environment exists.
bool poolingConfigured = false;

void ConfigurePooling() {
    if (poolingConfigured) return;
    CallDriver(SQLSetEnvAttr, nullptr, SQL_ATTR_CONNECTION_POOLING,
               reinterpret_cast<SQLPOINTER>(static_cast<uintptr_t>(SQL_CP_ONE_PER_DRIVER)), SQL_IS_INTEGER);
    poolingConfigured = true;
}

void AppendLines(CStr& report, const CStr& lines) {
    if (lines.IsEmpty()) return;
    if (!report.IsEmpty()) report.Append("\n");
    report.Append(lines.Text());
}

}  // namespace

CDatabase::CDatabase()
    : environment_(SQL_HANDLE_ENV), connection_(SQL_HANDLE_DBC), spareStatement_(SQL_HANDLE_STMT), connected_(false) {}

CDatabase::~CDatabase() { Disconnect(); }

bool CDatabase::Connect(const char* connectionString) {
    Disconnect();
    refusal_.Assign(nullptr);
    const size_t length = std::strlen(connectionString);
    if (length > MAX_CONNECTION_STRING) {
        refusal_.Assign("The connection string is longer than 32767 bytes.");
        return false;
    }
    ConfigurePooling();
    if (!IsSuccess(environment_.Allocate(nullptr))) return false;
    if (!IsSuccess(connection_.Allocate(environment_.Get()))) return false;
    if (!Attach(connectionString, length)) return false;
    connected_ = true;
    // The spare statement only contributes diagnostics; its results do not matter.
    spareStatement_.Allocate(connection_.Get());
    SetCursorOptions(spareStatement_.Get());
    return true;
}

bool CDatabase::Attach(const char* connectionString, size_t length) {
    SQLCHAR completed[4096];
    SQLSMALLINT completedLength = 0;
    const SQLRETURN result = CallDriver(
        SQLDriverConnect, connection_.Get(), nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(connectionString)),
        static_cast<SQLSMALLINT>(length), completed, sizeof completed, &completedLength, SQL_DRIVER_NOPROMPT);
    return IsSuccess(result);
}

void CDatabase::Disconnect() {
    spareStatement_.Free();
    if (connected_) {
        connected_ = false;
        // A failed disconnect leaves the driver manager refusing the frees
        // below; nothing more can be done for the handles then.
        CallDriver(SQLDisconnect, connection_.Get());
    }
    connection_.Free();
    environment_.Free();
}

CStr CDatabase::GetErrorText() const {
    CStr report(refusal_);
    AppendLines(report, GetDiagnosticText(environment_.GetType(), environment_.Get()));
    AppendLines(report, GetDiagnosticText(connection_.GetType(), connection_.Get()));
    AppendLines(report, GetDiagnosticText(spareStatement_.GetType(), spareStatement_.Get()));
    return report;
}
