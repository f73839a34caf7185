// Typed column storage of the client-side recordset engine. Rows are identified by
// their index in the store (the row id), which never changes: deleted rows are only
// marked, so bookmarks stay valid across filter, sort and clones. Numbers live in
// plain arrays with a null bitmap, text in one byte arena per column.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/provider.h"
#include "data/text_rules.h"
#include "host/variant.h"

namespace vmbgrid::data {

class RecordsetImpl;

// How a column keeps its cells.
enum class Storage : uint8_t { Int32, Int64, Double, Decimal, Text, Variant };

// How a column presents its cells as values (derived from the data-type code).
enum class Presentation : uint8_t {
  Int16,
  Int32,
  Int64,
  Boolean,
  Double,
  Decimal,   // exact numbers (decimal, numeric)
  Currency,  // exact numbers presented as currency
  Date,
  Text,
  Binary,
  Variant
};

Presentation PresentationOf(int32_t type);
// True for the character types whose defined size limits the text: fixed and
// variable length alike (a VARCHAR(5) takes five characters); long text has no limit.
bool IsSizedCharType(int32_t type);

inline constexpr uint32_t kNullRef = 0xFFFFFFFFu;

struct Column {
  std::string name;
  std::string foldedName;  // for lookups without regard to case
  int32_t type = adVariant;
  int32_t definedSize = 0;
  int32_t precision = 0;  // exact numbers: declared precision and scale
  int32_t scale = 0;
  int32_t attributes = adFldUnspecified;
  Presentation presentation = Presentation::Variant;
  Storage storage = Storage::Variant;

  std::vector<int32_t> i32;
  std::vector<int64_t> i64;
  std::vector<double> f64;
  std::vector<Decimal> dec;     // exact numbers, each with its scale
  std::vector<uint64_t> nulls;  // numeric storages: bit set = null
  std::vector<uint32_t> refs;   // text: offset of the length-prefixed cell, kNullRef = null
  std::string arena;            // text: varint length followed by the bytes
  std::vector<Variant> vars;

  bool IsNullAt(uint32_t row) const {
    switch (storage) {
      case Storage::Text:
        return refs[row] == kNullRef;
      case Storage::Variant:
        return vars[row].IsNull() || vars[row].IsEmpty();
      default:
        return (nulls[row >> 6] >> (row & 63)) & 1u;
    }
  }
  std::string_view TextAt(uint32_t row) const {
    uint32_t off = refs[row];
    if (off == kNullRef) return {};
    const auto* p = reinterpret_cast<const unsigned char*>(arena.data()) + off;
    uint32_t len = 0;
    int shift = 0;
    while (*p & 0x80u) {
      len |= static_cast<uint32_t>(*p++ & 0x7Fu) << shift;
      shift += 7;
    }
    len |= static_cast<uint32_t>(*p++) << shift;
    return {reinterpret_cast<const char*>(p), len};
  }
  int64_t IntAt(uint32_t row) const { return storage == Storage::Int32 ? i32[row] : i64[row]; }

  // Appends an empty (null) cell for a new row.
  void AppendNull(uint32_t row);
  void SetNullAt(uint32_t row);
  void SetIntAt(uint32_t row, int64_t v);
  void SetDoubleAt(uint32_t row, double v);
  void SetDecimalAt(uint32_t row, const Decimal& v);
  void SetTextAt(uint32_t row, std::string_view bytes);
  void SetVariantAt(uint32_t row, Variant v);
  // Widens a 32-bit integer column, or turns any column into a column of Variants
  // when a cell arrives that the typed storage cannot hold without loss.
  void WidenToInt64();
  void ConvertToVariants(uint32_t rows);

  // The cell as the value the field presents.
  Variant ValueAt(uint32_t row) const;
  bool NumberAt(uint32_t row, double& out) const;
  // A value with fewer decimals than a decimal column declares gets them (1500.5 in
  // a DECIMAL(12,2) is 1500.50); more are kept, nothing is rounded away.
  Decimal WithDeclaredScale(const Decimal& v) const;
  void ShrinkToFit();
};

// Collation ranks of one text column by row id: rows whose texts have equal sort
// keys share a rank, and ranks follow the keys' order. Computed when a sort first
// needs them and kept until a value changes (RowStore::version), so that sorting
// the same column again, in either direction or within a filter, reads them back.
struct RankCache {
  static constexpr uint32_t kMissing = 0xFFFFFFFFu;
  uint64_t version = 0;
  std::vector<uint32_t> rank;  // by row id; kMissing for rows not ranked
  uint32_t ranks = 0;          // number of distinct ranks
};

// The rows of one result, shared by a recordset and its clones.
class RowStore {
 public:
  std::vector<Column> columns;
  uint32_t rowCount = 0;  // including deleted rows
  uint32_t liveCount = 0;
  std::vector<uint64_t> deleted;
  // Cursors over this store, told about rows added or deleted through any of them.
  std::vector<RecordsetImpl*> cursors;
  // Increases with every change of values, so cached sort ranks know they are stale.
  uint64_t version = 0;
  // By column index; filled by sorting (see RankCache).
  mutable std::vector<std::unique_ptr<RankCache>> sortRanks;

  void SetColumns(std::vector<ColumnMeta> meta, const std::vector<int32_t>* attributes = nullptr);
  int FindColumn(std::string_view name) const;
  bool IsDeleted(uint32_t row) const { return (deleted[row >> 6] >> (row & 63)) & 1u; }
  uint32_t AppendRow();  // a row of nulls; returns its id
  void MarkDeleted(uint32_t row);
  // Live rows in id order.
  std::vector<uint32_t> LiveRows() const;
  void ShrinkToFit();
};

// Fills a store from a provider, cell by cell, without creating a value per cell.
class StoreSink final : public ResultSink {
 public:
  explicit StoreSink(RowStore& store, int32_t maxRows = 0) : store_(store), maxRows_(maxRows) {}
  void SetColumns(std::vector<ColumnMeta> columns) override;
  void BeginRow() override;
  void PutNull(int col) override;
  void PutInteger(int col, int64_t value) override;
  void PutDouble(int col, double value) override;
  void PutDate(int col, double serial) override;
  void PutText(int col, std::string_view utf8) override;
  void PutBlob(int col, std::string_view bytes) override;
  void PutDecimal(int col, const Decimal& value) override;
  void EndRow() override;
  bool HasColumns() const { return hasColumns_; }
  void Finish() { store_.ShrinkToFit(); }

 private:
  Column* Cell(int col);
  RowStore& store_;
  int32_t maxRows_;
  uint32_t row_ = 0;
  bool hasColumns_ = false;
  bool skipping_ = false;  // rows beyond the limit are dropped
};

}  // namespace vmbgrid::data
