// The recordsets a descriptor keeps, checked against a recording data layer.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host/error.h"
#include "host/platform.h"
#include "model/field.h"

namespace vmbgrid {
namespace {

struct Log {
  std::vector<std::string> calls;
};

class RecordingRecordset : public Recordset {
 public:
  explicit RecordingRecordset(Log& log) : log_(log) {}
  bool failOpen = false;

  int CursorLocation() const override { return location_; }
  void CursorLocation(int l) override { location_ = l; }
  void Open(const std::string& src, std::shared_ptr<Connection> c, int ct, int lt,
            int opt) override {
    log_.calls.push_back("open " + src + " " + std::to_string(ct) + "," + std::to_string(lt) + "," +
                         std::to_string(opt) + (c ? "" : " noconn"));
    if (failOpen) throw VMError(errc::kNoSuchTable, "SQLite", "no such table");
    open_ = true;
    conn_ = std::move(c);
  }
  void Close() override {
    log_.calls.push_back("close");
    if (!open_) throw VMError(errc::kObjectClosed, "data", "closed");
    open_ = false;
  }
  int State() const override { return open_ ? adStateOpen : adStateClosed; }
  std::shared_ptr<Connection> ActiveConnection() const override { return conn_; }
  void ActiveConnection(std::shared_ptr<Connection> c) override {
    log_.calls.push_back(c ? "attach" : "detach");
    conn_ = std::move(c);
  }

  // Not used by the descriptor.
  int CursorType() const override { return 0; }
  int LockType() const override { return 0; }
  int32_t MaxRecords() const override { return 0; }
  void MaxRecords(int32_t) override {}
  std::string Source() const override { return {}; }
  void Open(const std::string&, const std::string&, int, int, int) override {}
  void Open(std::shared_ptr<Command>, int, int, int) override {}
  void OpenFabricated(int, int) override {}
  void Requery(int) override {}
  int FieldCount() const override { return 0; }
  int FieldIndex(std::string_view) const override { return -1; }
  std::string FieldName(int) const override { return {}; }
  int32_t FieldType(int) const override { return 0; }
  int32_t FieldDefinedSize(int) const override { return 0; }
  void AppendField(const std::string&, int32_t, int32_t, int32_t, int32_t, int32_t) override {}
  Variant Value(int) const override { return {}; }
  Variant Value(std::string_view) const override { return {}; }
  void SetValue(int, const Variant&) override {}
  void SetValue(std::string_view, const Variant&) override {}
  int32_t RecordCount() const override { return 0; }
  bool IsEOF() const override { return true; }
  bool IsBOF() const override { return true; }
  void MoveFirst() override {}
  void MoveLast() override {}
  void MoveNext() override {}
  void MovePrevious() override {}
  void Move(int32_t) override {}
  int32_t AbsolutePosition() const override { return 0; }
  void AbsolutePosition(int32_t) override {}
  Variant Bookmark() const override { return {}; }
  void Bookmark(const Variant&) override {}
  Variant ValueAt(int32_t, int) const override { return {}; }
  Variant BookmarkAt(int32_t) const override { return {}; }
  int32_t OrdinalOf(const Variant&) const override { return -1; }
  bool NumberAt(int32_t, int, double&) const override { return false; }
  void AddNew() override {}
  void Update() override {}
  void Update(const std::vector<std::string>&, const std::vector<Variant>&) override {}
  void CancelUpdate() override {}
  void Delete() override {}
  int EditMode() const override { return 0; }
  std::string Filter() const override { return {}; }
  void Filter(const std::string&) override {}
  std::string Sort() const override { return {}; }
  void Sort(const std::string&) override {}
  void Find(const std::string&, int32_t, int, const Variant&) override {}
  std::shared_ptr<Recordset> Clone() override { return nullptr; }
  void AddObserver(RecordsetObserver*) override {}
  void RemoveObserver(RecordsetObserver*) override {}

 private:
  Log& log_;
  int location_ = adUseServer;
  bool open_ = false;
  std::shared_ptr<Connection> conn_;
};

class RecordingData : public DataAccess {
 public:
  Log log;
  std::vector<std::shared_ptr<RecordingRecordset>> made;
  std::shared_ptr<Connection> CreateConnection() override { return nullptr; }
  std::shared_ptr<Command> CreateCommand() override { return nullptr; }
  std::shared_ptr<Recordset> CreateRecordset() override {
    made.push_back(std::make_shared<RecordingRecordset>(log));
    return made.back();
  }
};

// Only its identity matters here.
struct IdleConnection : Connection {
  std::vector<ProviderError> none;
  std::string ConnectionString() const override { return {}; }
  void ConnectionString(const std::string&) override {}
  int CursorLocation() const override { return adUseClient; }
  void CursorLocation(int) override {}
  void Open(const std::string&, const std::string&, const std::string&, int) override {}
  void Close() override {}
  int State() const override { return adStateOpen; }
  std::string Provider() const override { return {}; }
  const std::vector<ProviderError>& Errors() const override { return none; }
  void ClearErrors() override {}
  int64_t Execute(const std::string&) override { return 0; }
  void SetStatementLog(StatementLog) override {}
};

std::shared_ptr<Connection> SomeConnection() { return std::make_shared<IdleConnection>(); }

class FieldRecordsetTest : public ::testing::Test {
 protected:
  void SetUp() override { Platform::Install(&data); }
  void TearDown() override { Platform::Reset(); }
  RecordingData data;
};

TEST_F(FieldRecordsetTest, DistinctValuesReuseOneDetachedRecordset) {
  auto conn = SomeConnection();
  {
    VMGridField f;
    f.fieldname = "Ort";
    auto first = f.Recordset(conn, "Kunden");
    auto second = f.Recordset(conn, "Kunden");
    EXPECT_EQ(first, second);
    ASSERT_EQ(data.made.size(), 1u);
    EXPECT_EQ(first->CursorLocation(), adUseClient);
    EXPECT_EQ(first->ActiveConnection(), nullptr);
  }
  const std::string open = "open SELECT DISTINCT Ort FROM Kunden ORDER BY Ort ASC 0,4,1";
  // The first close fails (not open) and is ignored; destruction closes it again.
  EXPECT_EQ(data.log.calls,
            (std::vector<std::string>{"close", open, "detach", "close", open, "detach", "close"}));
}

TEST_F(FieldRecordsetTest, InputDropDownHasItsOwnRecordset) {
  VMGridField f;
  f.fieldname = "Ort";
  f.DatasourceDropdown("SELECT Ort FROM Orte");
  auto input = f.InputDropDownRecordset(SomeConnection());
  auto distinct = f.Recordset(SomeConnection(), "Kunden");
  EXPECT_NE(input, distinct);
  EXPECT_EQ(data.log.calls[1], "open SELECT Ort FROM Orte 0,4,8");
}

TEST_F(FieldRecordsetTest, OpenErrorsReachTheCaller) {
  VMGridField f;
  f.fieldname = "Ort";
  f.Recordset(SomeConnection(), "Kunden");
  data.made[0]->failOpen = true;
  try {
    f.Recordset(SomeConnection(), "Fehlt");
    ADD_FAILURE() << "no error";
  } catch (const VMError& e) {
    EXPECT_EQ(e.Number(), errc::kNoSuchTable);
  }
  EXPECT_THROW(f.Recordset(nullptr, "Kunden"), VMError);
  Platform::Reset();
  VMGridField g;
  EXPECT_THROW(g.Recordset(SomeConnection(), "Kunden"), VMError);  // no data layer
}

TEST_F(FieldRecordsetTest, CopiesDoNotShareTheRecordsets) {
  VMGridField f;
  f.fieldname = "Ort";
  auto rs = f.Recordset(SomeConnection(), "Kunden");
  VMGridField copy = f;
  EXPECT_EQ(copy.fieldname, "Ort");
  EXPECT_NE(copy.Recordset(SomeConnection(), "Kunden"), rs);
}

}  // namespace
}  // namespace vmbgrid
