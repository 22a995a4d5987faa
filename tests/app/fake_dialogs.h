// A dialog provider for tests: file dialogs are answered from a queue (an
// empty answer cancels), everything else is recorded.
#pragma once

#include <QQueue>
#include <QStringList>
#include <QUrl>
#include <QVector>

#include "dialog_provider.h"

struct FakeDialogs : lumora::app::DialogProvider {
  struct Message {
    lumora::app::MessageKind kind;
    QString title, text, detail;
  };
  struct FileAsk {
    QString title, folder, filter;
    bool save;
  };

  QQueue<QString> files;
  QVector<FileAsk> asked;
  QVector<Message> messages;
  QQueue<lumora::app::UnsavedAnswer> unsaved_answers;
  int unsaved_questions = 0;
  QStringList about_texts;
  QList<QUrl> opened;
  bool open_succeeds = true;
  std::optional<int> item_answer;
  QStringList items_offered;

  QString next(const QString& title, const QString& folder, const QString& filter, bool save) {
    asked.push_back({title, folder, filter, save});
    return files.isEmpty() ? QString() : files.dequeue();
  }
  QString open_file(QWidget*, const QString& title, const QString& folder,
                    const QString& filter) override {
    return next(title, folder, filter, false);
  }
  QString save_file(QWidget*, const QString& title, const QString& folder,
                    const QString& filter) override {
    return next(title, folder, filter, true);
  }
  void message(QWidget*, lumora::app::MessageKind kind, const QString& title, const QString& text,
               const QString& detail) override {
    messages.push_back({kind, title, text, detail});
  }
  std::optional<int> choose_item(QWidget*, const QString&, const QString&,
                                 const QStringList& items) override {
    items_offered = items;
    return item_answer;
  }
  lumora::app::UnsavedAnswer ask_unsaved(QWidget*, const QString&, const QString&) override {
    ++unsaved_questions;
    return unsaved_answers.isEmpty() ? lumora::app::UnsavedAnswer::cancel
                                     : unsaved_answers.dequeue();
  }
  void about(QWidget*, const QString&, const QString& html) override { about_texts << html; }
  bool open_url(const QUrl& url) override {
    opened << url;
    return open_succeeds;
  }

  QStringList titles() const {
    QStringList t;
    for (const auto& a : asked) t << a.title;
    return t;
  }
};
