#include "report_action.h"

#include <QApplication>
#include <QFileInfo>

#include "error.h"
#include "report.h"
#include "session/input_files.h"

namespace lumora::app {

QString generate_report(QWidget* parent, DialogProvider& dialogs, const session::Session& s) {
  if (!s.initialized() || (s.last_result().empty() && !s.last_sight_check())) {
    dialogs.message(parent, MessageKind::information, "生成计算书",
                    "请先进行横净距计算（桩号文件或固定桩号间距）或视距检查，或打开结果文件。", {});
    return {};
  }
  const auto* sight = s.last_sight_check();
  const QString result = QString::fromStdString(
      (!s.last_result_path().empty() || !sight ? s.last_result_path() : sight->path).string());
  const QFileInfo info(result);
  const QString suggested =
      info.absolutePath() + "/" +
      (info.completeBaseName().isEmpty() ? "计算书" : info.completeBaseName() + "-计算书") + ".pdf";
  QString path = dialogs.save_file(parent, "保存计算书", suggested, "PDF 文件 (*.pdf)");
  if (path.isEmpty()) return {};
  if (QFileInfo(path).suffix().isEmpty()) path += ".pdf";

  QApplication::setOverrideCursor(Qt::WaitCursor);
  try {
    std::vector<std::filesystem::path> inputs;
    for (const auto& f : s.run_record().files) inputs.push_back(f.path);
    inputs.push_back(s.last_result_path());
    if (sight) inputs.push_back(sight->path);
    session::check_not_input(path.toStdString(), inputs);
    report::CollectOptions how;
    how.version = LUMORA_VERSION;
    report::write_report(report::collect(s, how), path.toStdString());
  } catch (const LumoraError& e) {
    QApplication::restoreOverrideCursor();
    dialogs.message(parent, MessageKind::critical, QString::fromStdString(e.title()),
                    QString::fromStdString(e.message()), QString::fromStdString(e.detail()));
    return {};
  } catch (const std::exception& e) {
    QApplication::restoreOverrideCursor();
    dialogs.message(parent, MessageKind::critical, QString::fromUtf8(kTitleError),
                    QString::fromUtf8(kMsgDataFormat), QString::fromUtf8(e.what()));
    return {};
  }
  QApplication::restoreOverrideCursor();
  return path;
}

}  // namespace lumora::app
