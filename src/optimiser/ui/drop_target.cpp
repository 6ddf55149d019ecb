#include "optimiser/ui/drop_target.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace vendrik {

DropTarget::DropTarget(QWidget* widget, Handler handler)
    : QObject(widget), m_widget(widget), m_handler(std::move(handler)) {
    widget->setAcceptDrops(true);
    widget->installEventFilter(this);
}

QStringList DropTarget::localPaths(const QMimeData* data) {
    QStringList paths;
    if (data == nullptr || !data->hasUrls()) {
        return paths;
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            paths << url.toLocalFile();
        }
    }
    return paths;
}

bool DropTarget::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_widget) {
        return false;
    }
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (!m_widget->isEnabled() || localPaths(drag->mimeData()).isEmpty()) {
                return false;
            }
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const QStringList paths = localPaths(drop->mimeData());
            if (!m_widget->isEnabled() || paths.isEmpty()) {
                return false;
            }
            // Copy, never move: the file manager must not delete the source.
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            m_handler(paths);
            return true;
        }
        default:
            return false;
    }
}

}  // namespace vendrik
