#ifndef QUILLET_DB_ODBCHANDLE_H
#define QUILLET_DB_ODBCHANDLE_H

// Owner of one ODBC handle of a fixed kind (environment, connection or
// statement), allocated and freed with the ODBC 2 calls. The handle is null
// after Free, so freeing twice is harmless. Not copyable: a handle has one owner.
class COdbcHandle {
public:
    // handleType: SQL_HANDLE_ENV, SQL_HANDLE_DBC or SQL_HANDLE_STMT.
    explicit COdbcHandle(short handleType);
    COdbcHandle(const COdbcHandle&) = delete;
    COdbcHandle& operator=(const COdbcHandle&) = delete;
    ~COdbcHandle();

    // Frees a held handle, then allocates a new one on the parent handle
    // (ignored for an environment). Returns the ODBC return code. A handle
    // that a failed allocation still delivered is kept for its diagnostics.
    short Allocate(void* parent);
    void Free();

    void* Get() const { return handle_; }
    short GetType() const { return type_; }

private:
    short type_;
    void* handle_;
};

#endif
