#pragma once

// A statement on its own ODBC connection, for the plain baseline loops.

#include <sql.h>
#include <sqlext.h>

#include <string>

namespace bench {

class PlainStatement
{
public:
    // Connects and runs query; Ok() tells whether both worked.
    PlainStatement(const std::string& connect, const char* query)
    {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
        SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
        std::string text = connect;
        if (!SQL_SUCCEEDED(SQLDriverConnect(dbc_, nullptr, reinterpret_cast<SQLCHAR*>(&text[0]), SQL_NTS,
                                            nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT)))
            return;
        connected_ = true;
        SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt_);
        ok_ = SQL_SUCCEEDED(
            SQLExecDirect(stmt_, reinterpret_cast<SQLCHAR*>(const_cast<char*>(query)), SQL_NTS));
    }
    ~PlainStatement()
    {
        if (stmt_ != SQL_NULL_HSTMT)
            SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
        if (connected_)
            SQLDisconnect(dbc_);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        SQLFreeHandle(SQL_HANDLE_ENV, env_);
    }
    PlainStatement(const PlainStatement&) = delete;
    PlainStatement& operator=(const PlainStatement&) = delete;

    bool Ok() const { return ok_; }
    SQLHSTMT Handle() const { return stmt_; }

private:
    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    SQLHSTMT stmt_ = SQL_NULL_HSTMT;
    bool connected_ = false;
    bool ok_ = false;
};

}  // namespace bench
