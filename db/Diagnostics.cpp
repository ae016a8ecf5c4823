#include "db/Diagnostics.h"

#include <cstring>

#include "db/OdbcApi.h"
#include "text/NumberText.h"
#include "text/TextBuffer.h"

bool IsSuccess(short returnCode) { return returnCode == SQL_SUCCESS || returnCode == SQL_SUCCESS_WITH_INFO; }

bool IsNoData(short returnCode) { return returnCode == SQL_NO_DATA; }

namespace {

void AppendRecordLine(CTextBuffer& text, const char* state, SQLINTEGER nativeError, const char* message) {
    if (text.Length() != 0) text.AppendChar('\n');
    text.AppendText("[").AppendText(state).AppendText("] ");
    text.AppendText(IntToText(nativeError).Text()).AppendText(" - ");
    // PostgreSQL ends some messages with a line end; lines are joined here alone.
    size_t n = std::strlen(message);
    while (n > 0 && (message[n - 1] == '\n' || message[n - 1] == '\r')) --n;
    text.AppendText(message, n);
}

}  // namespace

CStr GetDiagnosticText(short handleType, void* handle) {
    CTextBuffer text;
    if (handle == nullptr) return CStr(text.Text());
    for (SQLSMALLINT record = 1;; ++record) {
        SQLCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
        SQLINTEGER nativeError = 0;
        SQLCHAR message[256] = {};
        SQLSMALLINT messageLength = 0;
        const SQLRETURN result = CallDriver(SQLGetDiagRec, handleType, handle, record, state, &nativeError, message,
                                            sizeof message, &messageLength);
        // The first call that fails ends the reading: unixODBC with the
        // PostgreSQL and SQLite drivers misbehaves when called again after it.
        if (!IsSuccess(result)) break;
        // iODBC with the SQLite driver fills a cut message to the last byte,
        // leaving no terminator.
        state[SQL_SQLSTATE_SIZE] = '\0';
        message[sizeof message - 1] = '\0';
        AppendRecordLine(text, reinterpret_cast<const char*>(state), nativeError,
                         reinterpret_cast<const char*>(message));
        // SQL_SUCCESS_WITH_INFO: the message was cut to fit; the records after it are not read.
        if (result != SQL_SUCCESS) break;
    }
    return CStr(text.Text());
}
