// Small helpers the photo and music pages share: the selected rows of a
// list widget and the local files of a drop that a file-type rule takes.
#pragma once

#include <QDropEvent>
#include <QEvent>
#include <QListWidget>
#include <QMimeData>
#include <QUrl>
#include <string>
#include <vector>

namespace velmora::editor {

inline std::vector<size_t> SelectedRows(const QListWidget* list) {
    std::vector<size_t> rows;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected())
            rows.push_back(static_cast<size_t>(i));
    return rows;
}

inline std::vector<bool> SelectionMarks(const QListWidget* list) {
    std::vector<bool> marks(static_cast<size_t>(list->count()));
    for (int i = 0; i < list->count(); ++i)
        marks[static_cast<size_t>(i)] = list->item(i)->isSelected();
    return marks;
}

template <class Takes>
std::vector<std::string> DroppedPaths(const QMimeData& mime, Takes takes) {
    std::vector<std::string> paths;
    for (const QUrl& u : mime.urls()) {
        if (!u.isLocalFile())
            continue;
        std::string p = u.toLocalFile().toStdString();
        if (takes(p))
            paths.push_back(std::move(p));
    }
    return paths;
}

// Files dropped on a list: a drag that carries files is accepted while
// canRun(); a drop hands the local files that `takes` accepts to add (when
// canRun() and there are any). True when the event was the list's drag or
// drop and has been handled.
template <class Takes, class CanRun, class Add>
bool HandleFileDrop(const QListWidget* list, QObject* watched, QEvent* event, Takes takes,
                    CanRun canRun, Add add) {
    if (!list || watched != list->viewport())
        return false;
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
        auto* e = static_cast<QDropEvent*>(event);
        if (e->mimeData()->hasUrls() && canRun()) {
            e->acceptProposedAction();
            return true;
        }
    } else if (event->type() == QEvent::Drop) {
        auto* e = static_cast<QDropEvent*>(event);
        std::vector<std::string> paths = DroppedPaths(*e->mimeData(), takes);
        e->acceptProposedAction();
        if (canRun() && !paths.empty())
            add(paths);
        return true;
    }
    return false;
}

}  // namespace velmora::editor
