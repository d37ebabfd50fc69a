// The ADO-style read-only recordset.

#include "Recordset.h"

#include "ComError.h"
#include "ConnectionImpl.h"
#include "ResultBlock.h"

#include <algorithm>

namespace ado {

namespace {

const char kSource[] = "ADODB.Recordset";

[[noreturn]] void ThrowClosed()
{
    throw ComError(adErrObjectClosed, kSource, "Operation is not allowed when the object is closed.");
}

}  // namespace

struct Recordset::Impl
{
    long cursorLocation = adUseServer;
    long cursorType = adOpenForwardOnly;
    long lockType = adLockReadOnly;
    Connection* connection = nullptr;
    std::unique_ptr<detail::ResultBlock> block;
    FieldCollection fields;
};

Recordset::Recordset() : impl_(new Impl) {}

Recordset::~Recordset()
{
    Detach();
}

long Recordset::CursorLocation() const
{
    return impl_->cursorLocation;
}
void Recordset::SetCursorLocation(long location)
{
    impl_->cursorLocation = location;
}
long Recordset::CursorType() const
{
    return impl_->cursorType;
}
void Recordset::SetCursorType(long type)
{
    impl_->cursorType = type;
}
long Recordset::LockType() const
{
    return impl_->lockType;
}
void Recordset::SetLockType(long type)
{
    impl_->lockType = type;
}
long Recordset::State() const
{
    return impl_->block ? adStateOpen : adStateClosed;
}
FieldCollection& Recordset::Fields()
{
    return impl_->fields;
}

void Recordset::Open(const std::string& source, Connection& activeConnection, long cursorType, long lockType,
                     long /*options*/)
{
    Impl& d = *impl_;
    if (d.block)
        throw ComError(adErrObjectOpen, kSource, "Operation is not allowed when the object is open.");
    if (cursorType != adOpenUnspecified)
        d.cursorType = cursorType;
    if (lockType != adLockUnspecified)
        d.lockType = lockType;
    Connection::Impl& c = *activeConnection.impl_;
    if (!c.open)
        throw ComError(
            adErrInvalidConnection, kSource,
            "The connection cannot be used to perform this operation. It is either closed or invalid in "
            "this context.");
    c.errors.clear();
    std::unique_ptr<detail::ResultBlock> block(
        new detail::ResultBlock(c.dbc, c.support, c.commandTimeout, &c.errors));
    if (!block->Open(source))
        return;  // a statement without a result leaves the recordset closed
    d.block = std::move(block);
    d.fields.fields_.clear();
    for (int i = 0; i < d.block->ColumnCount(); ++i)
        d.fields.fields_.emplace_back(d.block.get(), i);
    d.connection = &activeConnection;
    c.recordsets.push_back(this);
}

void Recordset::Close()
{
    if (!impl_->block)
        ThrowClosed();
    Detach();
}

void Recordset::Detach()
{
    Impl& d = *impl_;
    d.fields.fields_.clear();
    d.block.reset();
    if (d.connection) {
        std::vector<Recordset*>& list = d.connection->impl_->recordsets;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        d.connection = nullptr;
    }
}

bool Recordset::EndOfFile() const
{
    if (!impl_->block)
        ThrowClosed();
    return impl_->block->IsEOF();
}

bool Recordset::BOF() const
{
    if (!impl_->block)
        ThrowClosed();
    return impl_->block->IsBOF();
}

void Recordset::MoveFirst()
{
    if (!impl_->block)
        ThrowClosed();
    impl_->block->MoveFirst();
}

void Recordset::MoveNext()
{
    if (!impl_->block)
        ThrowClosed();
    impl_->block->MoveNext();
}

long Recordset::RecordCount() const
{
    if (!impl_->block)
        ThrowClosed();
    return impl_->block->RecordCount();
}

}  // namespace ado
