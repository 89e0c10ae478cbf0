#pragma once

#include "imageview.h"

#include <QColor>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QScrollArea>
#include <QWheelEvent>
#include <QWidget>

#include <cmath>

// The image view's picture: the image and the regions over it, scaled to fit
// or at the view's zoom; it reads the pixel under the cursor out and hands
// the mouse's drags on the active region and Ctrl+wheel to the view.
class ImageCanvas : public QWidget
{
public:
    static QColor background() { return QColor(46, 47, 50); }
    static QColor regionColour() { return QColor(75, 210, 149); }

    explicit ImageCanvas(ImageView* view) : QWidget(view), m_view(view)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMinimumSize(160, 120);
        // The pixel under the cursor is read out without a button pressed.
        setMouseTracking(true);
        setFocusPolicy(Qt::ClickFocus);
    }

    //! Where the image lies on the canvas, and its scale.
    QRectF imageRect(double* scale = nullptr) const
    {
        const QSize image = m_view->m_imageSize;
        if (image.isEmpty()) {
            if (scale)
                *scale = 1.0;
            return QRectF();
        }
        double s = m_view->m_scale;
        if (m_view->m_fit)
            s = qMin(double(width()) / image.width(), double(height()) / image.height());
        const QSizeF size(image.width() * s, image.height() * s);
        const QPointF origin = m_view->m_fit
                                   ? QPointF((width() - size.width()) / 2, (height() - size.height()) / 2)
                                   : QPointF(0, 0);
        if (scale)
            *scale = s;
        return QRectF(origin, size);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            m_view->onCanvasPressed(event->localPos());
        QWidget::mousePressEvent(event);
    }

    void mouseMoveEvent(QMouseEvent* event) override
    {
        m_view->updatePixelReadout(event->localPos());
        if (event->buttons() & Qt::LeftButton) {
            m_view->onCanvasDragged(event->localPos());
        } else {
            // The cursor says what a drag would do.
            bool inside = false;
            const Qt::Edges edges = m_view->edgesAt(event->localPos(), &inside);
            const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
            const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
            if (horizontal && vertical)
                setCursor(edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge)
                              ? Qt::SizeFDiagCursor
                              : Qt::SizeBDiagCursor);
            else if (horizontal)
                setCursor(Qt::SizeHorCursor);
            else if (vertical)
                setCursor(Qt::SizeVerCursor);
            else if (inside)
                setCursor(Qt::SizeAllCursor);
            else if (m_view->activeRegion() != 0)
                setCursor(Qt::CrossCursor);
            else
                unsetCursor();
        }
        QWidget::mouseMoveEvent(event);
    }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            m_view->onCanvasReleased();
        QWidget::mouseReleaseEvent(event);
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Escape && m_view->activeRegion() != 0) {
            m_view->onEscape();
            event->accept();
            return;
        }
        QWidget::keyPressEvent(event);
    }

    void leaveEvent(QEvent* event) override
    {
        m_view->updatePixelReadout(QPointF(-1e9, -1e9));
        QWidget::leaveEvent(event);
    }

    void wheelEvent(QWheelEvent* event) override
    {
        if (!(event->modifiers() & Qt::ControlModifier) || m_view->m_imageSize.isEmpty()) {
            event->ignore(); // the scroll area scrolls
            return;
        }
        const double steps = event->angleDelta().y() / 120.0;
        if (steps == 0.0)
            return;
        const QPoint anchor = mapTo(m_view->m_scroll->viewport(), event->position().toPoint());
        m_view->setZoom(m_view->zoom() * std::pow(1.25, steps), anchor);
        event->accept();
    }

    void paintEvent(QPaintEvent*) override
    {
        QElapsedTimer clock;
        clock.start();
        QPainter painter(this);
        if (m_view->m_imageSize.isEmpty()) {
            painter.fillRect(rect(), background());
            painter.setPen(QColor(170, 170, 170));
            painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, m_view->m_status->text());
            return;
        }
        m_view->updateDisplay();
        m_view->m_paintClock.start();
        const QImage& image = m_view->m_display;
        double scale = 1.0;
        const QRectF target = imageRect(&scale);
        if (image.size() == m_view->displaySize() && devicePixelRatioF() == 1.0) {
            // Made at this size: a copy, with the background only around it.
            const QRect at(QPoint(qRound(target.left()), qRound(target.top())), image.size());
            for (const QRect& around : QRegion(rect()).subtracted(at))
                painter.fillRect(around, background());
            painter.drawImage(at.topLeft(), image);
        } else {
            painter.fillRect(rect(), background());
            painter.drawImage(target, image);
        }

        const QMap<int, QRect> regions = m_view->regions(m_view->m_deviceId);
        if (!regions.isEmpty()) {
            QPen pen(regionColour(), 2);
            pen.setCosmetic(true);
            painter.setPen(pen);
            painter.setBrush(Qt::NoBrush);
            for (auto it = regions.cbegin(); it != regions.cend(); ++it) {
                const QRect& r = it.value();
                const QRectF mapped(target.left() + r.left() * scale, target.top() + r.top() * scale,
                                    r.width() * scale, r.height() * scale);
                painter.drawRect(mapped.adjusted(1, 1, -1, -1));
                painter.drawText(mapped.topLeft() + QPointF(6, 16), QStringLiteral("ROI %1").arg(it.key()));
            }
        }
        m_view->m_guiNanoseconds += clock.nsecsElapsed();
    }

private:
    ImageView* m_view;
};
