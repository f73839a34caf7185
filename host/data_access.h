// Data-access contract: connection, command and client-side recordset, in the shape
// of the automation data-access layer that business hosts know. The library uses
// only these interfaces; data/ implements them and providers plug in below it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/number_total.h"
#include "host/variant.h"

namespace vmbgrid {

// Data-type codes of the data-access layer, plus the library's own 44, 45 and 46.
enum DataTypeEnum : int32_t {
  adEmpty = 0,
  adSmallInt = 2,
  adInteger = 3,
  adSingle = 4,
  adDouble = 5,
  adCurrency = 6,
  adDate = 7,
  adBSTR = 8,
  adBoolean = 11,
  adVariant = 12,
  adDecimal = 14,
  adTinyInt = 16,
  adUnsignedTinyInt = 17,
  adBigInt = 20,
  vmFormattedText = 44,  // shown through the grid's format-text notification
  vmLongNumber = 45,     // searched like a double, shown as "##############0"
  vmDateTime = 46,       // shown as "General Date"
  adGUID = 72,
  adBinary = 128,
  adChar = 129,
  adWChar = 130,
  adNumeric = 131,
  adDBDate = 133,
  adDBTime = 134,
  adDBTimeStamp = 135,
  adVarChar = 200,
  adLongVarChar = 201,
  adVarWChar = 202,
  adLongVarWChar = 203,
  adVarBinary = 204,
  adLongVarBinary = 205,
};
inline constexpr int32_t kTypeUndetermined = -1;

enum CursorLocationEnum : int { adUseServer = 2, adUseClient = 3 };
enum CursorTypeEnum : int {
  adOpenUnspecified = -1,
  adOpenForwardOnly = 0,
  adOpenKeyset = 1,
  adOpenDynamic = 2,
  adOpenStatic = 3
};
enum LockTypeEnum : int {
  adLockUnspecified = -1,
  adLockReadOnly = 1,
  adLockPessimistic = 2,
  adLockOptimistic = 3,
  adLockBatchOptimistic = 4
};
enum CommandTypeEnum : int {
  adCmdUnspecified = -1,
  adCmdText = 1,
  adCmdTable = 2,
  adCmdStoredProc = 4,
  adCmdUnknown = 8
};
enum ObjectStateEnum : int { adStateClosed = 0, adStateOpen = 1 };
// Open option: the first rows are there when Open returns, the rest is fetched in
// portions through Recordset::FetchMore (see there).
enum ExecuteOptionEnum : int { adAsyncFetch = 0x20 };
enum EditModeEnum : int { adEditNone = 0, adEditInProgress = 1, adEditAdd = 2, adEditDelete = 4 };
enum SearchDirectionEnum : int { adSearchForward = 1, adSearchBackward = -1 };
enum ParameterDirectionEnum : int {
  adParamInput = 1,
  adParamOutput = 2,
  adParamInputOutput = 3,
  adParamReturnValue = 4
};
enum FieldAttributeEnum : int32_t { adFldUnspecified = -1, adFldMayBeNull = 0x40 };

class Recordset;

// Who may write which stored layouts, options and saved filters, where the data
// source's server decides it (PostgreSQL: roles, row security and definer
// functions). A database file has no such rules: its permissions are the boundary,
// and the library applies the "ADMIN" name rule of the Parts.
class StoreRules {
 public:
  virtual ~StoreRules() = default;
  // The login the server knows the session by.
  virtual std::string Login() = 0;
  // "" when the session may write entries owned by `owner` (its own login, a role
  // it is a member of; "Standard" and anyone's for members of the store's admin
  // role); otherwise why not, in German.
  virtual std::string WriteRefusal(const std::string& owner) = 0;
  // "" when the store (tables and the two layout procedures) is installed and this
  // login may use it; otherwise what is missing and what the administrator must
  // run, in German. Answered from the catalog, so that asking never fails a
  // statement on the server.
  virtual std::string Problem() = 0;
};

// One entry of a connection's error list, filled when the provider fails.
struct ProviderError {
  int32_t number = 0;
  std::string source;
  std::string description;
  std::string sqlState;
};

class Connection {
 public:
  virtual ~Connection() = default;

  // "Provider=SQLite;Data Source=kunden.db" and the like.
  virtual std::string ConnectionString() const = 0;
  virtual void ConnectionString(const std::string& text) = 0;
  virtual int CursorLocation() const = 0;
  virtual void CursorLocation(int location) = 0;

  // Opens with the stored connection string (or the given one). Failure raises
  // VMError and fills Errors().
  virtual void Open(const std::string& connectionString = "", const std::string& user = "",
                    const std::string& password = "", int options = -1) = 0;
  virtual void Close() = 0;
  virtual int State() const = 0;
  // Name of the provider in use ("SQLite", "PostgreSQL"); empty before opening.
  virtual std::string Provider() const = 0;

  // Errors of the last failed operation on this connection.
  virtual const std::vector<ProviderError>& Errors() const = 0;
  virtual void ClearErrors() = 0;

  // Runs a statement that returns no rows; returns the number of rows affected.
  virtual int64_t Execute(const std::string& statement) = 0;

  // Tables, views and materialized views this login may read, named as a user
  // writes them: with the schema where the search path does not find them
  // ("verkauf.auftraege"). Empty when the data source cannot list them.
  virtual std::vector<std::string> TableNames() { return {}; }
  // A table as a user or host wrote it ("verkauf.auftraege", "[verkauf].[auftraege]",
  // "Pgbench_Accounts"), named as TableNames names it: the exact name first,
  // otherwise the one table whose name matches without regard to case. Several
  // raise a German message naming them, none errc::kNoSuchTable. The statements
  // sent on the connection resolve their names by the same rules.
  virtual std::string TableName(const std::string& written) { return written; }
  // The server's rules for the layout and settings store; null where the data
  // source has none (see StoreRules).
  virtual StoreRules* Store() { return nullptr; }

  // Transactions, as ADO's BeginTrans, CommitTrans and RollbackTrans: what commands
  // and recordsets on this connection change in between takes effect together or
  // not at all. Nested calls nest. A connection without transactions runs every
  // statement on its own, as before.
  virtual void BeginTrans() {}
  virtual void CommitTrans() {}
  virtual void RollbackTrans() {}

  // Every statement text sent to the data source through this connection (by
  // recordsets, commands, probes) is passed to the log before it runs.
  using StatementLog = std::function<void(const std::string& statement)>;
  virtual void SetStatementLog(StatementLog log) = 0;
};

struct Parameter {
  std::string name;
  int32_t type = adVariant;
  int direction = adParamInput;
  int32_t size = 0;
  Variant value;
};

class Command {
 public:
  virtual ~Command() = default;

  virtual std::string CommandText() const = 0;
  virtual void CommandText(const std::string& text) = 0;
  virtual int CommandType() const = 0;
  virtual void CommandType(int type) = 0;
  virtual int CommandTimeout() const = 0;  // seconds, 0 = no limit
  virtual void CommandTimeout(int seconds) = 0;
  virtual bool Prepared() const = 0;
  virtual void Prepared(bool prepared) = 0;

  // By connection string (an open connection with that string is reused) or by object.
  virtual void ActiveConnection(const std::string& connectionString) = 0;
  virtual void ActiveConnection(std::shared_ptr<Connection> connection) = 0;
  virtual std::shared_ptr<Connection> ActiveConnection() const = 0;

  // Named parameters. Append replaces a parameter of the same name.
  virtual void AppendParameter(const Parameter& p) = 0;
  virtual int ParameterCount() const = 0;
  virtual Parameter& ParameterAt(int index) = 0;
  // By name without regard to case; an absent name raises item-not-found.
  virtual Parameter& ParameterByName(std::string_view name) = 0;

  // Runs the command. Output parameters are readable afterwards. The result holds
  // the rows of a statement or procedure that returns some; it is closed otherwise.
  virtual std::shared_ptr<Recordset> Execute() = 0;
};

// Optional observer of a recordset, for grids that display it.
class RecordsetObserver {
 public:
  virtual ~RecordsetObserver() = default;
  // Rows were added, removed, re-filtered, re-sorted or re-read.
  virtual void RowsChanged() {}
  // Values of one row changed (bookmark of the row).
  virtual void RowChanged(const Variant& /*bookmark*/) {}
  // The current position moved.
  virtual void PositionChanged() {}
  // A progressive load ended: all rows are there, or it was cancelled or failed
  // (Recordset::FetchCancelled, FetchError) and holds the rows fetched until then.
  virtual void FetchComplete() {}
};

// Client-side recordset. Positions: BOF before the first row, EOF after the last.
// Bookmarks are stable row identities (a Variant holding a whole number), valid
// across filter and sort and in clones of the same rows.
class Recordset {
 public:
  virtual ~Recordset() = default;

  virtual int CursorLocation() const = 0;
  virtual void CursorLocation(int location) = 0;
  virtual int CursorType() const = 0;
  virtual int LockType() const = 0;
  virtual int32_t MaxRecords() const = 0;  // row limit of the next Open; 0 = none
  virtual void MaxRecords(int32_t limit) = 0;
  virtual std::string Source() const = 0;

  // Open on a statement text (or table name with adCmdUnknown / adCmdTable) on a
  // connection, given as object or connection string.
  virtual void Open(const std::string& source, std::shared_ptr<Connection> connection,
                    int cursorType = adOpenUnspecified, int lockType = adLockUnspecified,
                    int options = -1) = 0;
  virtual void Open(const std::string& source, const std::string& connectionString,
                    int cursorType = adOpenUnspecified, int lockType = adLockUnspecified,
                    int options = -1) = 0;
  // Open on a command (its text, parameters and connection).
  virtual void Open(std::shared_ptr<Command> command, int cursorType = adOpenUnspecified,
                    int lockType = adLockUnspecified, int options = -1) = 0;
  // Open without source: a fabricated recordset over the appended fields.
  virtual void OpenFabricated(int cursorType = adOpenStatic,
                              int lockType = adLockBatchOptimistic) = 0;
  virtual void Close() = 0;
  virtual int State() const = 0;

  // Re-executes the source; options as the data-access layer's (-1 = unspecified).
  virtual void Requery(int options = -1) = 0;

  virtual std::shared_ptr<Connection> ActiveConnection() const = 0;
  virtual void ActiveConnection(std::shared_ptr<Connection> connection) = 0;  // nullptr detaches

  // Fields. FieldIndex compares without regard to case and gives -1 when absent.
  virtual int FieldCount() const = 0;
  virtual int FieldIndex(std::string_view name) const = 0;
  virtual std::string FieldName(int index) const = 0;
  virtual int32_t FieldType(int index) const = 0;
  virtual int32_t FieldDefinedSize(int index) const = 0;
  // Declared precision and scale of an exact number field (currency, decimal,
  // numeric); precision 0 when none was declared: each value keeps its own scale.
  virtual int32_t FieldPrecision(int /*index*/) const { return 0; }
  virtual int32_t FieldNumericScale(int /*index*/) const { return 0; }
  // Before opening (fabricated recordsets).
  virtual void AppendField(const std::string& name, int32_t type, int32_t definedSize = 0,
                           int32_t attributes = adFldUnspecified, int32_t precision = 0,
                           int32_t numericScale = 0) = 0;

  // Values of the current row. By name: an absent name raises item-not-found; at
  // BOF or EOF raises no-current-record. A value that does not fit the field raises.
  virtual Variant Value(int index) const = 0;
  virtual Variant Value(std::string_view name) const = 0;
  virtual void SetValue(int index, const Variant& value) = 0;
  virtual void SetValue(std::string_view name, const Variant& value) = 0;

  // Navigation over the rows that pass the filter, in sort order.
  virtual int32_t RecordCount() const = 0;
  virtual bool IsEOF() const = 0;
  virtual bool IsBOF() const = 0;
  virtual void MoveFirst() = 0;
  virtual void MoveLast() = 0;
  virtual void MoveNext() = 0;
  virtual void MovePrevious() = 0;
  virtual void Move(int32_t count) = 0;
  // 1-based position of the current row; 0 when at BOF or EOF.
  virtual int32_t AbsolutePosition() const = 0;
  virtual void AbsolutePosition(int32_t position) = 0;

  virtual Variant Bookmark() const = 0;
  virtual void Bookmark(const Variant& bookmark) = 0;  // unknown bookmark raises

  // Random access for displays, without moving: ordinal 0 .. RecordCount()-1.
  virtual Variant ValueAt(int32_t ordinal, int field) const = 0;
  virtual Variant BookmarkAt(int32_t ordinal) const = 0;
  // Ordinal of a bookmark among the visible rows; -1 when filtered out or unknown.
  virtual int32_t OrdinalOf(const Variant& bookmark) const = 0;
  // The cell as a double when it holds a number (or Boolean); false otherwise.
  virtual bool NumberAt(int32_t ordinal, int field, double& out) const = 0;
  // Total of a field over the visible rows, for sum lines: whole and exact numbers
  // add up exactly (a Decimal), doubles as a Double; Null, dates and text that is
  // no number add nothing (NumberTotal). Raises VMError errc::kOverflow when the
  // total does not fit.
  virtual Variant Total(int field) const {
    NumberTotal total;
    for (int32_t i = 0, n = RecordCount(); i < n; ++i) total.AddValue(ValueAt(i, field));
    return total.Result();
  }

  // Editing.
  virtual void AddNew() = 0;
  virtual void Update() = 0;
  virtual void Update(const std::vector<std::string>& names,
                      const std::vector<Variant>& values) = 0;
  virtual void CancelUpdate() = 0;
  virtual void Delete() = 0;  // the current row
  virtual int EditMode() const = 0;

  // Filter: "" removes it. Syntax: [Name] or Name, = <> < > <= >= LIKE, text in single
  // quotes, numbers, dates (#...# or quoted), AND, OR, parentheses; wildcards * % ? _.
  // A text that cannot be parsed raises and leaves the filter as it was.
  virtual std::string Filter() const = 0;
  virtual void Filter(const std::string& expression) = 0;
  // Sort: "[Name] ASC, Ort DESC"; stable; text by German collation. "" = source order.
  virtual std::string Sort() const = 0;
  virtual void Sort(const std::string& order) = 0;

  // Moves to the next row matching a single-comparison criterion ("Nr = 17",
  // "Name LIKE 'M*'"), starting skip rows away from the current row (or from
  // `start` when a bookmark is given). Not found: EOF (forward) or BOF (backward).
  virtual void Find(const std::string& criterion, int32_t skip = 0, int direction = adSearchForward,
                    const Variant& start = Variant()) = 0;

  // A second cursor over the same rows: own position, filter and sort.
  virtual std::shared_ptr<Recordset> Clone() = 0;

  virtual void AddObserver(RecordsetObserver* observer) = 0;
  virtual void RemoveObserver(RecordsetObserver* observer) = 0;

  // Progressive loading. Opened with adAsyncFetch on a provider that supports it,
  // the recordset holds the first rows when Open returns and IsFetching is true;
  // whoever displays it calls FetchMore on the same thread until it is false
  // (RowsChanged after each portion, FetchComplete at the end). RecordCount, the
  // position and the random access read the rows fetched so far; everything that
  // needs all rows (Filter, Sort, Find, Clone, SumNumbers, MoveLast, editing)
  // fetches the rest first. Recordsets of other implementations are always whole.
  virtual bool IsFetching() const { return false; }
  // Fetches up to maxRows further rows (0: all the rest); returns IsFetching().
  // A failing data source ends the load (FetchError), it does not raise.
  virtual bool FetchMore(int32_t /*maxRows*/) { return false; }
  // Stops a progressive load; the rows fetched so far stay. Nothing when whole.
  virtual void Cancel() {}
  // How the last load ended: cancelled, or failed with the data source's message.
  virtual bool FetchCancelled() const { return false; }
  virtual std::string FetchError() const { return std::string(); }
};

// Creates data-access objects (the library never names an implementation).
// A host's part while a statement waits on the data source (a lock another session
// holds, a long sort): told every few dozen milliseconds once the wait is
// noticeable, it keeps the window painting; true asks the data source to cancel the
// statement (Esc). Called on the thread that runs the statement.
class StatementWait {
 public:
  virtual ~StatementWait() = default;
  virtual bool Waiting(double seconds) = 0;
  // The statement is over, after a wait that was told.
  virtual void Ended() = 0;
};

class DataAccess {
 public:
  virtual ~DataAccess() = default;
  virtual std::shared_ptr<Connection> CreateConnection() = 0;
  virtual std::shared_ptr<Command> CreateCommand() = 0;
  virtual std::shared_ptr<Recordset> CreateRecordset() = 0;
  // Whom the data sources tell about statements that wait (null: nobody; they wait).
  virtual void SetStatementWait(StatementWait* /*wait*/) {}
};

}  // namespace vmbgrid
