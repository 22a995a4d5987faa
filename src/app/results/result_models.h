// Table models of the results view: the rows of a result file, and the
// largest clearance of every curve. Both show the texts of the exported
// tables (session::result_table, session::summary_table) and sort by the
// values behind them (Qt::UserRole): chainages by their continuous value,
// numbers as numbers.
#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "session/curves.h"
#include "session/result_file.h"

namespace lumora::app {

class ResultRowsModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  using QAbstractTableModel::QAbstractTableModel;

  void set_rows(std::vector<session::ResultRow> rows);
  const std::vector<session::ResultRow>& rows() const { return rows_; }
  const session::TextTable& table() const { return table_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation o, int role) const override;

 private:
  std::vector<session::ResultRow> rows_;
  session::TextTable table_ = session::result_table({});
};

class CurveSummaryModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  using QAbstractTableModel::QAbstractTableModel;

  void set_summary(std::vector<session::CurveSummary> summary,
                   const std::vector<session::ResultRow>& rows);
  const std::vector<session::CurveSummary>& summary() const { return summary_; }
  const session::TextTable& table() const { return table_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation o, int role) const override;

 private:
  std::vector<session::CurveSummary> summary_;
  std::vector<double> clearance_;  // the largest clearance of each curve (sorting)
  std::vector<double> at_;         // its chainage
  std::vector<double> sight_;
  session::TextTable table_ = session::summary_table({}, {});
};

}  // namespace lumora::app
