#include "result_models.h"

#include <cmath>

namespace lumora::app {
namespace {

QString qs(const std::string& s) {
  return QString::fromStdString(s);
}

// Missing figures sort after every number.
constexpr double kNone = HUGE_VAL;

}  // namespace

void ResultRowsModel::set_rows(std::vector<session::ResultRow> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  table_ = session::result_table(rows_);
  endResetModel();
}

int ResultRowsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ResultRowsModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(table_.header.size());
}

QVariant ResultRowsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const auto r = static_cast<std::size_t>(index.row());
  const auto c = static_cast<std::size_t>(index.column());
  const session::ResultRow& row = rows_[r];
  switch (role) {
    case Qt::DisplayRole:
      return qs(table_.cells[r][c]);
    case Qt::UserRole: {
      const double values[] = {row.chainage,     row.clearance,     row.offset,
                               row.offset_start, row.offset_end,    row.start_chainage,
                               row.end_chainage, row.sight_distance};
      return c < std::size(values) ? QVariant(values[c]) : QVariant();
    }
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    default:
      return {};
  }
}

QVariant ResultRowsModel::headerData(int section, Qt::Orientation o, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (o == Qt::Vertical) return section + 1;
  if (section < 0 || section >= columnCount()) return {};
  return qs(table_.header[static_cast<std::size_t>(section)]);
}

void CurveSummaryModel::set_summary(std::vector<session::CurveSummary> summary,
                                    const std::vector<session::ResultRow>& rows) {
  beginResetModel();
  summary_ = std::move(summary);
  table_ = session::summary_table(summary_, rows);
  clearance_.clear();
  at_.clear();
  sight_.clear();
  for (const auto& s : summary_) {
    const bool has = s.row && *s.row < rows.size();
    clearance_.push_back(has ? rows[*s.row].clearance : kNone);
    at_.push_back(has ? rows[*s.row].chainage : kNone);
    sight_.push_back(has ? rows[*s.row].sight_distance : kNone);
  }
  endResetModel();
}

int CurveSummaryModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(summary_.size());
}

int CurveSummaryModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(table_.header.size());
}

QVariant CurveSummaryModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const auto r = static_cast<std::size_t>(index.row());
  const auto c = static_cast<std::size_t>(index.column());
  const session::Curve& curve = summary_[r].curve;
  switch (role) {
    case Qt::DisplayRole:
      return qs(table_.cells[r][c]);
    case Qt::UserRole:
      switch (c) {
        case 0:
        case 2:
          return curve.start;
        case 3:
          return curve.end;
        case 4:
          return curve.radius;
        case 5:
          // Largest first when sorted descending: by magnitude.
          return clearance_[r] == kNone ? -1.0 : std::fabs(clearance_[r]);
        case 6:
          return at_[r];
        case 7:
          return sight_[r];
        case 8:
          return static_cast<qulonglong>(summary_[r].row_count);
        default:
          return qs(table_.cells[r][c]);
      }
    case Qt::TextAlignmentRole:
      return c < 2 ? QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter)
                   : QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    default:
      return {};
  }
}

QVariant CurveSummaryModel::headerData(int section, Qt::Orientation o, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (o == Qt::Vertical) return section + 1;
  if (section < 0 || section >= columnCount()) return {};
  return qs(table_.header[static_cast<std::size_t>(section)]);
}

}  // namespace lumora::app
