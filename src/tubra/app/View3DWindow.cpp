#include "tubra/app/View3DWindow.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include <QCheckBox>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "tubra/view/BoxGrid.h"

namespace tubra::app {

namespace {

using spatial::Look;
using spatial::Point2;
using spatial::Point3;
using spatial::Shape;
using spatial::ViewDirection;

constexpr int kMargin = 30;             // pixels around the fitted pipeline
constexpr double kPickTolerance = 5.0;  // pixels
constexpr double kDragThreshold = 3.0;  // pixels before a press becomes a drag
const QColor kProblemColour(230, 0, 0);
const QColor kSelectionHalo(255, 170, 0, 170);

QColor colourOf(model::Colour c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

QColor lookColour(Look look, const model::DrawingSettings* s) {
    model::DrawingSettings defaults;
    if (!s) s = &defaults;
    QColor c;
    switch (look) {
        case Look::MainPipe:
            c = colourOf(s->ZhuXianColor);
            break;
        case Look::BranchPipe:
            c = colourOf(s->ZhiXianColor);
            break;
        case Look::PlaneSlantedPipe:
            c = colourOf(s->PingXieColor);
            break;
        case Look::SpaceSlantedPipe:
            c = colourOf(s->LiXieColor);
            break;
        case Look::Elbow:
        case Look::Tee:
        case Look::Fitting:
            c = colourOf(s->GuanJianColor);
            break;
        case Look::Valve:
            c = colourOf(s->FaMenColor);
            break;
        case Look::Weld:
            c = colourOf(s->HanFengColor);
            break;
        case Look::Support:
            c = QColor(90, 90, 90);
            break;
        case Look::SiteMark:
        case Look::CutLine:
            c = QColor(140, 140, 140);
            break;
    }
    // The view has a white ground, whatever the drawing's.
    if (c.lightness() > 235) c = Qt::black;
    return c;
}

QPointF qp(Point2 p) {
    return {p.x, p.y};
}

QString kindText(spatial::ProblemKind kind) {
    switch (kind) {
        case spatial::ProblemKind::Loop:
            return QStringLiteral("闭合差");
        case spatial::ProblemKind::Elevation:
            return QStringLiteral("标高不符");
        case spatial::ProblemKind::LengthText:
            return QStringLiteral("长度文字");
        case spatial::ProblemKind::Unconnected:
            return QStringLiteral("未连接");
        case spatial::ProblemKind::UTurn:
            return QStringLiteral("折返");
    }
    return {};
}

// A valve: two triangles meeting at its middle, across the line from `a` to `b`.
void drawValve(QPainter& p, QPointF a, QPointF b, double half, const QColor& colour) {
    QPointF d = b - a;
    double len = std::hypot(d.x(), d.y());
    const QPointF mid = (a + b) / 2.0;
    if (len < 1.0) {
        p.setPen(QPen(colour.darker(130), 1));
        p.setBrush(colour);
        p.drawEllipse(mid, half, half);
        return;
    }
    const QPointF t = d / len;
    // Short on the screen (seen along it): still a recognisable symbol.
    if (len < 2.5 * half) {
        len = 2.5 * half;
        a = mid - t * (len / 2.0);
        b = mid + t * (len / 2.0);
    }
    const QPointF n(-t.y() * half, t.x() * half);
    p.setPen(QPen(colour.darker(140), 1));
    p.setBrush(colour);
    p.drawPolygon(QPolygonF({a + n, a - n, mid}));
    p.drawPolygon(QPolygonF({b + n, b - n, mid}));
}

void drawMarker(QPainter& p, Look look, QPointF at, const QColor& colour) {
    const double r = spatial::kMarkerRadius;
    p.setPen(QPen(colour.darker(140), 1));
    p.setBrush(colour);
    switch (look) {
        case Look::Weld:
            p.drawEllipse(at, r * 0.7, r * 0.7);
            break;
        case Look::Elbow:
            p.drawEllipse(at, r * 0.8, r * 0.8);
            break;
        case Look::Tee:
            p.drawRect(QRectF(at.x() - r * 0.8, at.y() - r * 0.8, r * 1.6, r * 1.6));
            break;
        case Look::Support:
            p.drawPolygon(QPolygonF({at, at + QPointF(-r, r * 1.6), at + QPointF(r, r * 1.6)}));
            break;
        case Look::SiteMark:
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRectF(at.x() - r, at.y() - r, 2 * r, 2 * r));
            break;
        case Look::CutLine:
            p.setPen(QPen(colour, 1.5));
            p.drawLine(at + QPointF(-r, -r), at + QPointF(r, r));
            p.drawLine(at + QPointF(-r, r), at + QPointF(r, -r));
            break;
        default:
            p.drawPolygon(QPolygonF({at + QPointF(0, -r), at + QPointF(r, 0), at + QPointF(0, r),
                                     at + QPointF(-r, 0)}));
            break;
    }
}

}  // namespace

// --- the view ---

View3DCanvas::View3DCanvas(QWidget* parent) : QWidget(parent) {
    setMinimumSize(200, 160);
    setMouseTracking(false);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setToolTip(QStringLiteral("左键拖动旋转，滚轮缩放，右键拖动平移，单击选择对象（Ctrl 加选）"));
}

void View3DCanvas::setModel(const spatial::RealModel* model, const model::DrawingSettings* settings,
                            bool fit) {
    model_ = model;
    settings_ = settings;
    troubled_.clear();
    if (model_)
        for (const spatial::Problem& pr : model_->problems)
            troubled_.insert(pr.objects.begin(), pr.objects.end());
    if (currentProblem_ >= 0 &&
        (!model_ || currentProblem_ >= static_cast<int>(model_->problems.size())))
        currentProblem_ = -1;
    rebuildScene();
    if (fit) {
        fitPending_ = true;
        this->fit();
    }
    update();
}

void View3DCanvas::rebuildScene() {
    scene_ = model_ ? spatial::sceneOf(*model_, tubes_) : spatial::Scene{};
}

void View3DCanvas::setTubes(bool tubes) {
    if (tubes == tubes_) return;
    tubes_ = tubes;
    rebuildScene();
    update();
}

void View3DCanvas::setWeldLabels(bool shown) {
    weldLabels_ = shown;
    update();
}

void View3DCanvas::setSelection(std::set<std::size_t> objects) {
    if (objects == selection_) return;
    selection_ = std::move(objects);
    update();
}

void View3DCanvas::setCurrentProblem(int problem) {
    currentProblem_ = problem;
    update();
}

void View3DCanvas::setDraft(bool draft) {
    if (draft == draft_) return;
    draft_ = draft;
    update();
}

void View3DCanvas::lookFrom(ViewDirection direction) {
    spatial::lookFrom(orbit_, direction);
    fit();
    fitPending_ = false;
}

void View3DCanvas::fit() {
    spatial::fitTo(orbit_, scene_.extent, width(), height(), kMargin);
    update();
}

Point2 View3DCanvas::centre() const {
    return {width() / 2.0, height() / 2.0};
}

QPointF View3DCanvas::screenPoint(const Point3& p) const {
    return qp(spatial::project(orbit_, centre(), p).at);
}

std::optional<std::size_t> View3DCanvas::objectAt(QPointF at) const {
    const auto items = spatial::screenItems(scene_, orbit_, centre(), tubes_);
    return spatial::pick(items, {at.x(), at.y()}, kPickTolerance);
}

void View3DCanvas::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // Fitted until the user turns, zooms or pans it.
    if (fitPending_) fit();
}

void View3DCanvas::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setRenderHint(QPainter::Antialiasing, !draft_);

    if (scene_.shapes.empty()) {
        p.setPen(Qt::darkGray);
        p.drawText(rect(), Qt::AlignCenter, QStringLiteral("图中没有管线"));
    }

    // Back to front, so nearer pipes cover farther ones.
    const auto items = spatial::screenItems(scene_, orbit_, centre(), tubes_);
    std::vector<std::size_t> order(items.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return items[a].depth < items[b].depth; });

    for (std::size_t k : order) {
        const Shape& s = scene_.shapes[k];
        const spatial::ScreenItem& it = items[k];
        const QPointF a = qp(it.a), b = qp(it.b);
        const bool troubled = troubled_.count(s.object) != 0;
        const QColor colour = troubled ? kProblemColour : lookColour(s.look, settings_);
        const double width = 2.0 * it.radius;
        if (selection_.count(s.object)) {
            const double halo =
                (s.kind == Shape::Kind::Marker ? 2.0 * spatial::kMarkerRadius : width) + 8.0;
            p.setPen(QPen(kSelectionHalo, halo, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(a, b);
        }
        switch (s.kind) {
            case Shape::Kind::Pipe:
            case Shape::Kind::Leg:
                if (tubes_) {
                    // A tube: dark edges, its colour, a light stripe along the middle.
                    p.setPen(QPen(colour.darker(170), width + 1.5, Qt::SolidLine, Qt::RoundCap));
                    p.drawLine(a, b);
                    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
                    p.drawLine(a, b);
                    p.setPen(QPen(colour.lighter(160), std::max(1.0, width / 4.0), Qt::SolidLine,
                                  Qt::RoundCap));
                    p.drawLine(a, b);
                } else {
                    const double w = s.look == Look::MainPipe ? width + 0.5 : width;
                    p.setPen(QPen(colour, w,
                                  s.look == Look::SpaceSlantedPipe ? Qt::DashLine : Qt::SolidLine,
                                  Qt::RoundCap));
                    p.drawLine(a, b);
                }
                break;
            case Shape::Kind::InLine:
                if (s.look == Look::Valve) {
                    drawValve(p, a, b, it.radius + 1.0, colour);
                } else {
                    p.setPen(QPen(colour.darker(150), width + 2.0, Qt::SolidLine, Qt::FlatCap));
                    p.drawLine(a, b);
                    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::FlatCap));
                    p.drawLine(a, b);
                }
                break;
            case Shape::Kind::Marker:
                drawMarker(p, s.look, a, colour);
                break;
        }
    }

    // The gaps of the disagreements.
    for (const spatial::Gap& g : scene_.gaps) {
        const QPointF a = screenPoint(g.a), b = screenPoint(g.b);
        const bool current = static_cast<int>(g.problem) == currentProblem_;
        p.setPen(QPen(kProblemColour, current ? 3.0 : 2.0, Qt::DashLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawLine(a, b);
        p.setPen(QPen(kProblemColour, 1.5));
        p.drawEllipse(a, 4, 4);
        p.drawEllipse(b, 4, 4);
        // A gap of a few millimetres is a dot on the screen: a ring and its size show it.
        const QPointF mid = (a + b) / 2.0;
        const double ring = std::max(10.0, QLineF(a, b).length() / 2.0 + 6.0);
        p.setPen(QPen(kProblemColour, current ? 2.0 : 1.0, Qt::DotLine));
        p.drawEllipse(mid, ring, ring);
        if (model_ && g.problem < model_->problems.size() && model_->problems[g.problem].mm) {
            const QString size =
                QStringLiteral("%1 mm").arg(*model_->problems[g.problem].mm, 0, 'f', 0);
            const double w = p.fontMetrics().horizontalAdvance(size);
            QPointF at = mid + QPointF(ring * 0.75 + 3, -ring * 0.75);
            if (at.x() + w > width() - 4)
                at.setX(mid.x() - ring * 0.75 - 3 - w);  // inside the view
            p.drawText(at, size);
        }
    }

    if (weldLabels_) {
        QFont f = font();
        f.setPointSizeF(8.5);
        p.setFont(f);
        const QColor labelColour = lookColour(Look::Weld, settings_).darker(150);
        const QFontMetricsF metrics(f);
        // Places taken by labels, in cells of a few pixels: a label goes to the first free
        // place round its weld (the two welds of an elbow lie close together), and where there
        // is none, it is left out until the view is zoomed in. A label takes the cells its box
        // meets; the grid of the sheet's labels finds those taken.
        constexpr int kCell = 4;
        const int columns = width() / kCell + 1, rows = height() / kCell + 1;
        view::BoxGrid taken(16.0);
        std::vector<std::size_t> found;
        const auto cellsOf = [&](const QRectF& r) {
            return QRect(QPoint(std::max(0, static_cast<int>(r.left()) / kCell),
                                std::max(0, static_cast<int>(r.top()) / kCell)),
                         QPoint(std::min(columns - 1, static_cast<int>(r.right()) / kCell),
                                std::min(rows - 1, static_cast<int>(r.bottom()) / kCell)));
        };
        const QRectF area = QRectF(rect()).adjusted(-20, -20, 20, 20);
        for (const spatial::WeldLabel& w : scene_.welds) {
            const QPointF at = screenPoint(w.at);
            if (!area.contains(at)) continue;
            const QString text = QString::number(w.number);
            const QSizeF size(metrics.horizontalAdvance(text), metrics.ascent());
            const QPointF corners[] = {{6, -4 - size.height()},
                                       {6, 4},
                                       {-6 - size.width(), -4 - size.height()},
                                       {-6 - size.width(), 4}};
            for (const QPointF& c : corners) {
                const QRectF box(at + c, size);
                const QRect cells = cellsOf(box);
                // A box outside the view takes no cell and is always free.
                if (!cells.isEmpty()) {
                    found.clear();
                    taken.newQuestion();
                    taken.collect(cells.left(), cells.top(), cells.right(), cells.bottom(), found);
                    if (!found.empty()) continue;
                    taken.grow(taken.size() + 1);
                    taken.place(taken.size() - 1, cells.left(), cells.top(), cells.right(),
                                cells.bottom());
                }
                p.setPen(troubled_.count(w.object) ? kProblemColour : labelColour);
                p.drawText(box.bottomLeft(), text);
                break;
            }
        }
    }

    // The axes, turned as the view is.
    const spatial::Basis basis = spatial::basisOf(orbit_);
    const QPointF origin(42, height() - 42);
    struct Axis {
        Point3 e;
        const char* name;
        QColor colour;
    };
    const Axis axes[] = {{{1, 0, 0}, "东", QColor(200, 40, 40)},
                         {{0, 1, 0}, "北", QColor(30, 140, 30)},
                         {{0, 0, 1}, "上", QColor(40, 60, 210)}};
    QFont axisFont = font();
    axisFont.setPointSizeF(9.5);
    axisFont.setBold(true);
    p.setFont(axisFont);
    for (const Axis& ax : axes) {
        const QPointF v(30.0 * spatial::dot(ax.e, basis.right),
                        -30.0 * spatial::dot(ax.e, basis.up));
        p.setPen(QPen(ax.colour, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(origin, origin + v);
        const QPointF label = origin + v * 1.35 + QPointF(-6, 5);
        p.drawText(label, QString::fromUtf8(ax.name));
    }

    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(110, 110, 110));
    QFont hint = font();
    hint.setPointSizeF(8.0);
    p.setFont(hint);
    const QString hintText = QStringLiteral("左键旋转 · 滚轮缩放 · 右键平移 · 单击选择");
    const int hintWidth = QFontMetrics(hint).horizontalAdvance(hintText) + 8;
    // On a ground of its own, so that no pipe runs through it.
    p.fillRect(QRect(width() - hintWidth - 2, 0, hintWidth + 2, 18), QColor(255, 255, 255, 220));
    p.drawText(QRect(0, 0, width() - 6, 18), Qt::AlignRight | Qt::AlignVCenter, hintText);
}

void View3DCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) return;
    dragButton_ = event->button();
    pressAt_ = lastAt_ = event->position();
    dragged_ = false;
}

void View3DCanvas::mouseMoveEvent(QMouseEvent* event) {
    if (dragButton_ == Qt::NoButton) return;
    const QPointF at = event->position();
    if (!dragged_ && (at - pressAt_).manhattanLength() < kDragThreshold) return;
    dragged_ = true;
    fitPending_ = false;
    draft_ = true;
    const QPointF d = at - lastAt_;
    lastAt_ = at;
    if (dragButton_ == Qt::LeftButton)
        spatial::rotateBy(orbit_, d.x(), d.y());
    else
        orbit_.pan = {orbit_.pan.x + d.x(), orbit_.pan.y + d.y()};
    update();
}

void View3DCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != dragButton_) return;
    const bool click = dragButton_ == Qt::LeftButton && !dragged_;
    dragButton_ = Qt::NoButton;
    setDraft(false);  // the finished view, smooth again
    if (click && onClicked)
        onClicked(objectAt(event->position()), (event->modifiers() & Qt::ControlModifier) != 0);
}

void View3DCanvas::wheelEvent(QWheelEvent* event) {
    const double steps = event->angleDelta().y() / 120.0;
    if (steps == 0.0) return;
    fitPending_ = false;
    const QPointF at = event->position();
    spatial::zoomAt(orbit_, centre(), {at.x(), at.y()}, std::pow(1.2, steps));
    update();
    event->accept();
}

// --- the window ---

View3DWindow::View3DWindow(model::Document& doc, QWidget* parent)
    : QWidget(parent, Qt::Window), doc_(doc) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* buttons = new QHBoxLayout;
    const struct {
        ViewDirection direction;
        const char* text;
        const char* tip;
    } directions[] = {
        {ViewDirection::Isometric, "等轴测", "从东南上方看：东向右下，北向右上，上向上"},
        {ViewDirection::Top, "俯视", "从上向下看：东向右，北向上"},
        {ViewDirection::Front, "前视", "从南向北看：东向右，上向上"},
        {ViewDirection::Side, "侧视", "从东向西看：北向右，上向上"}};
    for (const auto& d : directions) {
        auto* b = new QPushButton(QString::fromUtf8(d.text), this);
        b->setToolTip(QString::fromUtf8(d.tip));
        const ViewDirection direction = d.direction;
        connect(b, &QPushButton::clicked, this,
                [this, direction] { canvas_->lookFrom(direction); });
        buttons->addWidget(b);
        directionButtons_.push_back(b);
    }
    auto* fitButton = new QPushButton(QStringLiteral("满屏"), this);
    fitButton->setToolTip(QStringLiteral("整条管线放满视图"));
    connect(fitButton, &QPushButton::clicked, this, [this] { canvas_->fit(); });
    buttons->addWidget(fitButton);
    buttons->addSpacing(12);
    tubesBox_ = new QCheckBox(QStringLiteral("按管径画管子"), this);
    tubesBox_->setToolTip(QStringLiteral("管道画成按管径粗细的管子；不选时画成单线"));
    labelsBox_ = new QCheckBox(QStringLiteral("焊口编号"), this);
    labelsBox_->setChecked(true);
    buttons->addWidget(tubesBox_);
    buttons->addWidget(labelsBox_);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    canvas_ = new View3DCanvas(splitter);
    auto* panel = new QWidget(splitter);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    problemsTitle_ = new QLabel(panel);
    problems_ = new QListWidget(panel);
    problems_->setWordWrap(true);
    problems_->setToolTip(QStringLiteral("双击一条，在图中选中它涉及的对象"));
    panelLayout->addWidget(problemsTitle_);
    panelLayout->addWidget(problems_, 1);
    splitter->addWidget(canvas_);
    splitter->addWidget(panel);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({640, 240});
    layout->addWidget(splitter, 1);

    connect(tubesBox_, &QCheckBox::toggled, this, [this](bool on) { canvas_->setTubes(on); });
    connect(labelsBox_, &QCheckBox::toggled, this, [this](bool on) { canvas_->setWeldLabels(on); });
    connect(problems_, &QListWidget::currentRowChanged, this, [this](int) {
        const QListWidgetItem* item = problems_->currentItem();
        canvas_->setCurrentProblem(
            item && item->data(Qt::UserRole).isValid() ? item->data(Qt::UserRole).toInt() : -1);
    });
    connect(problems_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        if (!item || !item->data(Qt::UserRole).isValid()) return;
        const int k = item->data(Qt::UserRole).toInt();
        if (k < 0 || k >= static_cast<int>(model_.problems.size())) return;
        const std::vector<std::size_t> objects =
            model_.problems[static_cast<std::size_t>(k)].objects;
        if (onSelect) onSelect(objects, false);
    });
    canvas_->onClicked = [this](std::optional<std::size_t> object, bool add) {
        if (!onSelect) return;
        if (object)
            onSelect({*object}, add);
        else if (!add)
            onSelect({}, false);
    };

    resize(900, 600);
    model_ = spatial::buildRealModel(doc_.drawing);
    canvas_->setModel(&model_, &doc_.settings(), true);
    fillProblems();
    updateTitle();
}

View3DWindow::~View3DWindow() = default;

QPushButton* View3DWindow::directionButton(ViewDirection direction) {
    const auto i = static_cast<std::size_t>(direction);
    return i < directionButtons_.size() ? directionButtons_[i] : nullptr;
}

void View3DWindow::rebuild() {
    if (!isVisible()) {
        stale_ = true;
        return;
    }
    stale_ = false;
    model_ = spatial::buildRealModel(doc_.drawing);
    canvas_->setModel(&model_, &doc_.settings(), false);
    fillProblems();
    updateTitle();
}

void View3DWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (stale_) rebuild();
}

void View3DWindow::showSelection(std::set<std::size_t> objects) {
    canvas_->setSelection(std::move(objects));
}

void View3DWindow::fillProblems() {
    const int current = problems_->currentRow();
    problems_->clear();
    const auto n = model_.problems.size();
    problemsTitle_->setText(n == 0 ? QStringLiteral("前后一致性检查：没有问题")
                                   : QStringLiteral("前后一致性检查：%1 处问题").arg(n));
    if (n == 0) {
        auto* item =
            new QListWidgetItem(QStringLiteral("图中的长度、标高和连接前后一致。"), problems_);
        item->setFlags(Qt::NoItemFlags);
        return;
    }
    for (std::size_t k = 0; k < n; ++k) {
        const spatial::Problem& pr = model_.problems[k];
        auto* item = new QListWidgetItem(
            QStringLiteral("【%1】%2").arg(kindText(pr.kind), QString::fromStdString(pr.message)),
            problems_);
        item->setData(Qt::UserRole, static_cast<int>(k));
        item->setForeground(kProblemColour.darker(120));
    }
    if (current >= 0 && current < static_cast<int>(n)) problems_->setCurrentRow(current);
}

void View3DWindow::updateTitle() {
    setWindowTitle(QStringLiteral("三维视图 - %1").arg(QString::fromStdString(doc_.title())));
}

}  // namespace tubra::app
