// Everything the windows ask the user through a modal dialog: file names,
// message boxes, a choice among items, the question before unsaved drawing is
// thrown away, the about box, and opening a document with the desktop's
// default program. The windows take a provider instead of calling QFileDialog
// or QMessageBox directly, so that test programs answer every dialog without
// a screen.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>

class QWidget;

namespace lumora::app {

enum class MessageKind { critical, warning, information };

/// The answer to "the drawing holds unsaved drawing".
enum class UnsavedAnswer { save, discard, cancel };

class DialogProvider {
 public:
  virtual ~DialogProvider() = default;

  /// An open dialog; an empty text when the user cancels. `filter` is in
  /// Qt's form ("文本文件 (*.txt *.jdx);;所有文件 (*)").
  virtual QString open_file(QWidget* parent, const QString& title, const QString& folder,
                            const QString& filter) = 0;
  /// An open dialog with one more button, `skip` ("无断链"), which answers
  /// as cancel does (an empty text). The default is open_file().
  virtual QString open_file_or_skip(QWidget* parent, const QString& title, const QString& folder,
                                    const QString& filter, const QString& /*skip*/) {
    return open_file(parent, title, folder, filter);
  }
  /// A save dialog (asking before an existing file is replaced).
  virtual QString save_file(QWidget* parent, const QString& title, const QString& folder,
                            const QString& filter) = 0;
  /// A message box with one OK button; `detail` (may be empty) says where the
  /// data is wrong.
  virtual void message(QWidget* parent, MessageKind kind, const QString& title, const QString& text,
                       const QString& detail) = 0;
  /// The index of the item picked, nullopt when cancelled.
  virtual std::optional<int> choose_item(QWidget* parent, const QString& title,
                                         const QString& label, const QStringList& items) = 0;
  virtual UnsavedAnswer ask_unsaved(QWidget* parent, const QString& title, const QString& text) = 0;
  virtual void about(QWidget* parent, const QString& title, const QString& html) = 0;
  /// Opens a file or web address with the desktop's default program.
  virtual bool open_url(const QUrl& url) = 0;
};

/// The provider of the real program: Qt's dialogs and QDesktopServices.
class QtDialogProvider : public DialogProvider {
 public:
  QString open_file(QWidget* parent, const QString& title, const QString& folder,
                    const QString& filter) override;
  QString open_file_or_skip(QWidget* parent, const QString& title, const QString& folder,
                            const QString& filter, const QString& skip) override;
  QString save_file(QWidget* parent, const QString& title, const QString& folder,
                    const QString& filter) override;
  void message(QWidget* parent, MessageKind kind, const QString& title, const QString& text,
               const QString& detail) override;
  std::optional<int> choose_item(QWidget* parent, const QString& title, const QString& label,
                                 const QStringList& items) override;
  UnsavedAnswer ask_unsaved(QWidget* parent, const QString& title, const QString& text) override;
  void about(QWidget* parent, const QString& title, const QString& html) override;
  bool open_url(const QUrl& url) override;
};

/// Turns a filter of the form "desc|pattern|desc|pattern" (patterns joined by
/// ";") into Qt's "desc (pattern pattern);;…". A description that carries
/// its own parenthesised pattern list loses it, since Qt reads the patterns
/// from the last parentheses; "*.*" becomes "*", which also matches names
/// without a dot.
QString qt_filter(const QString& filter);

}  // namespace lumora::app
