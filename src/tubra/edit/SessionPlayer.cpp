#include "tubra/edit/SessionPlayer.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "platform/AtomicFile.h"
#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/model/DrawingFile.h"
#include "tubra/view/Paint.h"

namespace tubra::edit {

using platform::Answer;
using platform::Buttons;

namespace {

constexpr const char* kNoDrawing = "没有图形：脚本应以 'new' 开始，或给出一个图形文件";
constexpr const char* kAnswerUnused = "这个 answer 没有用上：没有出现消息框";
constexpr const char* kDialogUnused = "这个 dialog 行没有用上：没有出现对话框";

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::vector<Answer> answersOf(Buttons b) {
    switch (b) {
        case Buttons::Ok: return {Answer::Ok};
        case Buttons::OkCancel: return {Answer::Ok, Answer::Cancel};
        case Buttons::YesNo: return {Answer::Yes, Answer::No};
        case Buttons::YesNoCancel: return {Answer::Yes, Answer::No, Answer::Cancel};
        case Buttons::RetryCancel: return {Answer::Retry, Answer::Cancel};
    }
    return {};
}

const char* answerName(Answer a) {
    switch (a) {
        case Answer::Ok: return "ok";
        case Answer::Cancel: return "cancel";
        case Answer::Yes: return "yes";
        case Answer::No: return "no";
        case Answer::Retry: return "retry";
    }
    return "";
}

int rounded(double v) {
    if (!(v > -2.0e9)) return -2000000000;
    if (!(v < 2.0e9)) return 2000000000;
    return static_cast<int>(std::lround(v));
}

// A field of an object as text: numbers for numbers, UTF-8 for texts; none for a name that is
// no field.
std::optional<std::string> objectField(const model::PipeObject& o, std::string_view name, bool& numeric) {
    numeric = true;
    const auto num = [](double v) { return text::format("%.6f", v); };
    const std::pair<const char*, const model::Vec3*> points[] = {
        {"Port1", &o.Port1},         {"Port2", &o.Port2},         {"Port3", &o.Port3},
        {"Port4", &o.Port4},         {"dimYX1_st", &o.dimYX1_st}, {"dimYX1_ed", &o.dimYX1_ed},
        {"dimYX2_st", &o.dimYX2_st}, {"dimYX2_ed", &o.dimYX2_ed}, {"dimL_st", &o.dimL_st},
        {"dimL_ed", &o.dimL_ed},     {"dimTxt_st", &o.dimTxt_st}};
    for (const auto& [key, p] : points) {
        const std::string k = key;
        if (name == k + ".x") return num(p->x);
        if (name == k + ".y") return num(p->y);
        if (name == k + ".z") return num(p->z);
    }
    if (name == "Number") return num(o.Number);
    if (name == "MainType") return num(o.MainType);
    if (name == "SubType") return num(o.SubType);
    if (name == "StrtDir") return num(o.StrtDir);
    if (name == "EndDir") return num(o.EndDir);
    if (name == "dimAngle") return num(o.dimAngle);
    if (name == "BiHou") return num(o.BiHou);
    if (name == "Distanc") return num(o.Distanc);
    numeric = false;
    const std::pair<const char*, const model::ObjectText*> texts[] = {
        {"DistTxt", &o.DistTxt},   {"CaiLiao", &o.CaiLiao},     {"GuiGe", &o.GuiGe},
        {"XingHao", &o.XingHao},   {"StartUse", &o.StartUse},   {"LastCheck", &o.LastCheck},
        {"FirstCase", &o.FirstCase}, {"LastCase", &o.LastCase}, {"MidCase", &o.MidCase}};
    for (const auto& [key, t] : texts)
        if (name == key) return text::gbkToUtf8(t->view());
    return std::nullopt;
}

}  // namespace

std::string canonicalKeyName(std::string_view name) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= name.size(); ++i) {
        if (i == name.size() || (name[i] == '+' && i > start)) {
            parts.emplace_back(name.substr(start, i - start));
            start = i + 1;
        }
    }
    if (parts.empty()) return {};
    bool ctrl = false, shift = false, alt = false;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        const std::string m = lower(parts[i]);
        if (m == "ctrl" || m == "control")
            ctrl = true;
        else if (m == "shift")
            shift = true;
        else if (m == "alt")
            alt = true;
        else
            return {};
    }
    const std::string key = lower(parts.back());
    std::string k;
    if (key.size() == 1 && std::isalnum(static_cast<unsigned char>(key[0]))) {
        k = std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(key[0]))));
    } else if (key.size() >= 2 && key[0] == 'f' && std::all_of(key.begin() + 1, key.end(), ::isdigit)) {
        const int n = std::stoi(key.substr(1));
        if (n < 1 || n > 12) return {};
        k = "F" + std::to_string(n);
    } else {
        static const std::pair<const char*, const char*> names[] = {
            {"del", "Del"},     {"delete", "Del"},        {"ins", "Ins"},      {"insert", "Ins"},
            {"esc", "Esc"},     {"escape", "Esc"},        {"backspace", "Backspace"},
            {"return", "Return"}, {"enter", "Return"},    {"tab", "Tab"},      {"space", "Space"},
            {"home", "Home"},   {"end", "End"},           {"pgup", "PgUp"},    {"pgdown", "PgDown"},
            {"left", "Left"},   {"right", "Right"},       {"up", "Up"},        {"down", "Down"}};
        for (const auto& [from, to] : names)
            if (key == from) k = to;
        if (k.empty()) return {};
    }
    return std::string(ctrl ? "Ctrl+" : "") + (alt ? "Alt+" : "") + (shift ? "Shift+" : "") + k;
}

// --- prompter ---

Answer ScriptPrompter::ask(const platform::Message& message) {
    asked_.push_back(message);
    last_ = message;
    if (answers_.empty())
        throw SessionError("消息框没有对应的 answer 行：\"" + message.text + "\"");
    const Queued q = answers_.front();
    answers_.pop_front();
    const auto offered = answersOf(message.buttons);
    if (std::find(offered.begin(), offered.end(), q.answer) == offered.end()) {
        std::string names;
        for (Answer a : offered) names += std::string(names.empty() ? "" : ", ") + answerName(a);
        throw SessionError("（第 " + std::to_string(q.line) + " 行的 answer）消息框 \"" + message.text +
                           "\" 没有 '" + answerName(q.answer) + "'（只有 " + names + "）");
    }
    return q.answer;
}

// --- dialogs ---

bool ScriptFormHost::run(platform::Form& form) {
    const std::string caption = form.caption();
    shown_.push_back(caption);
    form.reopen();
    platform::FormContext context{prompter_, *this};
    while (form.isOpen()) {
        if (lines_.empty()) throw SessionError("对话框没有对应的 dialog 行：\"" + caption + "\"");
        const Queued q = lines_.front();
        lines_.pop_front();
        const std::string where = "（第 " + std::to_string(q.line) + " 行的 dialog）";
        bool lastWasAction = false;
        for (const std::string& token : q.tokens) {
            if (!form.isOpen())
                throw SessionError(where + "\"" + caption + "\" 在 '" + token + "' 之前已经关闭");
            const auto eq = token.find('=');
            const std::string name = token.substr(0, eq);
            if (eq != std::string::npos && form.hasField(name)) {
                if (const platform::Result<> taken = form.setField(name, std::string_view(token).substr(eq + 1));
                    taken.failed())
                    throw SessionError(where + taken.message());
                lastWasAction = false;
            } else {
                if (const platform::ActionResult done = form.act(token, context); done.failed())
                    throw SessionError(where + done.message());
                lastWasAction = true;
            }
        }
        // A line of fields alone ends with OK, as Enter would; "ok" always exists.
        if (form.isOpen() && !lastWasAction) (void)form.act("ok", context);
    }
    return form.state() == platform::FormState::Accepted;
}

// --- the virtual window ---

HeadlessPort::HeadlessPort() : canvas_(kPixelsPerUnit, kClientSize) {}

DeviceTransform HeadlessPort::transform() const {
    return {kPixelsPerUnit, static_cast<double>(scroll_.x), static_cast<double>(scroll_.y)};
}

void HeadlessPort::setScrollSizes(platform::Size logical, platform::Point origin) {
    sizes_ = logical;
    origin_ = origin;
    scrollToDevice(scroll_.x, scroll_.y);
}

void HeadlessPort::scrollToDevice(int x, int y) {
    const int totalW = rounded(std::abs(static_cast<double>(sizes_.cx)) * kPixelsPerUnit);
    const int totalH = rounded(std::abs(static_cast<double>(sizes_.cy)) * kPixelsPerUnit);
    const int left = rounded(origin_.x * kPixelsPerUnit);
    const int top = rounded(-origin_.y * kPixelsPerUnit);
    const platform::Point next{std::clamp(x, left, left + std::max(0, totalW - kClientSize.cx)),
                               std::clamp(y, top, top + std::max(0, totalH - kClientSize.cy))};
    if (next == scroll_) return;
    scroll_ = next;
    canvas_.setViewportOrigin({-scroll_.x, -scroll_.y});
    repaintWanted = true;
}

void HeadlessPort::apply(const view::ScrollChange& change) {
    if (change.setScrollSizes) setScrollSizes(change.extent, change.origin);
    if (change.scroll)
        scrollToDevice(rounded(change.position.x * kPixelsPerUnit), rounded(-change.position.y * kPixelsPerUnit));
    if (change.invalidate) repaintWanted = true;
}

// --- the player ---

SessionPlayer::SessionPlayer(model::AppContext& app, const CommandRegistry& registry,
                             std::vector<KeyBinding> keys)
    : app_(app), registry_(registry), keys_(std::move(keys)) {
    for (KeyBinding& k : keys_) k.key = canonicalKeyName(k.key);
}

SessionPlayer::~SessionPlayer() {
    controller_.reset();
    doc_.reset();
    for (Window& w : windows_) w.controller.reset();
}

void SessionPlayer::stashActive() {
    if (active_ >= windows_.size()) return;
    Window& w = windows_[active_];
    w.doc = std::move(doc_);
    w.controller = std::move(controller_);
    w.view = view_;
    w.port = port_.state();
}

void SessionPlayer::activate(std::size_t index) {
    if (index >= windows_.size() || windows_[index].closed)
        throw SessionError("没有窗口 " + std::to_string(index + 1));
    if (index == active_ && doc_) return;
    if (doc_) stashActive();
    Window& w = windows_[index];
    doc_ = std::move(w.doc);
    controller_ = std::move(w.controller);
    view_ = w.view;
    port_.restore(w.port);
    active_ = index;
}

void SessionPlayer::closeActive() {
    needDocument();
    controller_.reset();
    doc_.reset();
    windows_[active_].closed = true;
    for (std::size_t i = windows_.size(); i-- > 0;)
        if (!windows_[i].closed) {
            activate(i);
            return;
        }
}

model::Document& SessionPlayer::needDocument() const {
    if (!doc_) throw SessionError(kNoDrawing);
    return *doc_;
}

void SessionPlayer::addWindow(std::shared_ptr<model::Document> doc) {
    stashActive();
    windows_.emplace_back();
    active_ = windows_.size() - 1;
    doc_ = std::move(doc);
    makeView();
}

void SessionPlayer::openWindow(const ScriptLine& line) {
    std::filesystem::path file(line.text);
    if (file.is_relative() && !scriptFolder.empty()) file = scriptFolder / file;
    // As the window opens a file: its values win over the view defaults, and the program's
    // settings stay as they were when it cannot be read.
    const model::DrawingSettings before = app_.settings;
    app_.settings.resetViewDefaults();
    std::string error;
    std::unique_ptr<model::Document> doc;
    if (line.tokens.empty()) {
        auto opened = model::Document::open(app_, file);
        if (opened.failed())
            error = opened.message();
        else
            doc = std::move(opened.value());
    } else {
        std::string data;
        if (const auto ec = model::readDrawingFile(file, data).error()) {
            error = "无法打开文件 " + file.string() + ": " + platform::describe(ec);
        } else {
            auto opened =
                model::Document::openRecovered(app_, data, line.tokens.size() > 1 ? line.tokens[1] : "");
            if (opened.failed())
                error = "无法打开文件 " + file.string() + ": " + opened.message();
            else
                doc = std::move(opened.value());
        }
    }
    if (!doc) {
        app_.settings = before;
        throw SessionError(error);
    }
    addWindow(std::move(doc));
    paint();
}

void SessionPlayer::makeView() {
    controller_.reset();
    view_ = view::ViewState();
    port_.setScrollSizes({0, 0});
    port_.scrollToDevice(0, 0);
    port_.status.clear();
    controller_ = std::make_unique<ViewController>(
        ViewController::Services{*doc_, view_, settings_, port_, prompter_, forms_, {}});
    port_.apply(view::initialUpdate(view_, doc_->drawing));
}

platform::Result<> SessionPlayer::open(const std::filesystem::path& path) {
    controller_.reset();
    doc_.reset();
    for (Window& w : windows_) w.controller.reset();
    windows_.clear();
    const model::DrawingSettings before = app_.settings;
    app_.settings.resetViewDefaults();
    auto opened = model::Document::open(app_, path);
    if (opened.failed()) {
        app_.settings = before;
        return platform::Error(opened.error(), opened.message());
    }
    doc_ = std::move(opened.value());
    windows_.emplace_back();
    active_ = 0;
    makeView();
    paint();
    return {};
}

void SessionPlayer::paint() {
    if (!doc_) return;
    view_.autoElevation = settings_.autoElevation;
    const bool fromFile = doc_->drawing.zoomLoaded != 0;
    const double before = view_.ZoomPara;
    NullCanvas canvas(HeadlessPort::kPixelsPerUnit, HeadlessPort::kClientSize);
    canvas.setViewportOrigin({-port_.scroll().x, -port_.scroll().y});
    // Nothing is shown: the paint's effects without its drawing (a save never waits for one).
    view::onLayout(*doc_, view_, canvas);
    if (fromFile && view_.ZoomPara != before)
        port_.setScrollSizes({model::truncToInt(view_.pageExtent.cx * view_.ZoomPara),
                              model::truncToInt(view_.pageExtent.cy * view_.ZoomPara)});
    port_.repaintWanted = false;
    if (controller_) controller_->viewRepainted();
}

DevicePoint SessionPlayer::devicePoint(double x, double y) const {
    if (!controller_) throw SessionError(kNoDrawing);
    return controller_->toDevice(x, y);
}

void SessionPlayer::runCommand(int id) {
    model::Document& doc = needDocument();
    // Exactly the registered commands are playable: they are the document's commands, which
    // the window runs through the same registry.
    if (!registry_.has(id)) throw SessionError("命令 " + std::to_string(id) + " 不能在会话中重放");
    CommandContext context{doc, view_, prompter_, forms_, controller_.get(), [this] { port_.repaint(); }, &port_};
    if (!registry_.run(id, context)) throw SessionError("命令 " + std::to_string(id) + " 现在不能用");
}

void SessionPlayer::checkObject(const ScriptLine& line) {
    const model::ObjectList& list = needDocument().drawing.objects;
    const long n = static_cast<long>(list.size());
    long index = static_cast<long>(line.numbers[0]);
    if (index < 0) index += n;
    if (index < 0 || index >= n)
        throw SessionError("没有对象 " + text::format("%ld", static_cast<long>(line.numbers[0])) +
                           "（图中有 " + std::to_string(n) + " 个）");
    const model::PipeObject& o = list.at(static_cast<std::size_t>(index));
    for (const std::string& token : line.tokens) {
        const auto eq = token.find('=');
        const std::string name = token.substr(0, eq);
        const std::string want = token.substr(eq + 1);
        bool numeric = false;
        const auto have = objectField(o, name, numeric);
        if (!have) throw SessionError("对象没有字段 '" + name + "'");
        bool same;
        if (numeric) {
            std::string_view w = want;
            const double expected = text::leadingNumber(w);
            same = std::fabs(text::leadingNumber(*have) - expected) <= 1e-3;
        } else {
            same = *have == want;
        }
        if (!same)
            throw SessionError("对象 " + std::to_string(index) + " 的 " + name + "=" + quoteSessionValue(*have) +
                               "，不是 " + quoteSessionValue(want));
    }
}

void SessionPlayer::perform(const ScriptLine& line) {
    using Kind = ScriptLine::Kind;
    const auto& v = line.numbers;
    switch (line.kind) {
        case Kind::New: {
            // A new window; the others stay open.
            auto doc = std::make_shared<model::Document>(app_);
            app_.settings.resetViewDefaults();
            doc->onNewDocument();
            addWindow(std::move(doc));
            view::NewDrawingValues values;
            if (!v.empty()) values.firstPointElevation = v[0];
            if (v.size() == 3) {
                values.alpha = v[1];
                values.beta = v[2];
            }
            view::applyNewDrawing(view_, *doc_, values);
            break;
        }
        case Kind::Command: runCommand(static_cast<int>(v[0])); break;
        case Kind::Click: {
            const DevicePoint d = devicePoint(v[0], v[1]);
            controller_->mouseMove(d);
            controller_->leftDown(d);
            controller_->leftUp(d);
            break;
        }
        case Kind::RightClick: {
            const DevicePoint d = devicePoint(v[0], v[1]);
            controller_->mouseMove(d);
            controller_->rightDown(d);
            controller_->rightUp(d);
            break;
        }
        case Kind::Move: {
            const DevicePoint d = devicePoint(v[0], v[1]);
            controller_->mouseMove(d);
            break;
        }
        case Kind::Drag: {
            const DevicePoint a = devicePoint(v[0], v[1]);
            const DevicePoint b = devicePoint(v[2], v[3]);
            controller_->mouseMove(a);
            controller_->leftDown(a);
            controller_->mouseMove(b, true, false);
            controller_->leftUp(b);
            break;
        }
        case Kind::RightDrag: {
            const DevicePoint a = devicePoint(v[0], v[1]);
            const DevicePoint b = devicePoint(v[2], v[3]);
            controller_->mouseMove(a);
            controller_->rightDown(a);
            // The mouse passes every pixel on the way; each few pixels up or down zoom a step.
            // Past a few thousand pixels the zoom is at its limit whatever the distance.
            constexpr double kMaxSteps = 4000;
            const int steps = static_cast<int>(std::clamp(std::ceil(std::fabs(b.y - a.y)), 1.0, kMaxSteps));
            for (int i = 1; i <= steps; ++i)
                controller_->mouseMove({a.x + (b.x - a.x) * i / steps, a.y + (b.y - a.y) * i / steps}, false, true);
            controller_->rightUp(b);
            break;
        }
        case Kind::Key: {
            const std::string key = canonicalKeyName(line.text);
            if (key.empty()) throw SessionError("'" + line.text + "' 不是按键");
            needDocument();
            for (const KeyBinding& k : keys_) {
                if (k.key == key) {
                    runCommand(k.command);
                    return;
                }
            }
            if (key == "Esc" && controller_) controller_->cancel();
            break;
        }
        case Kind::Answer: {
            const std::string& a = line.text;
            prompter_.queue(a == "yes" ? Answer::Yes : a == "no" ? Answer::No : a == "ok" ? Answer::Ok : Answer::Cancel,
                            line.number);
            break;
        }
        case Kind::Dialog: forms_.queue(line.tokens, line.number); break;
        case Kind::ExpectMessage: {
            const auto& last = prompter_.last();
            if (!last) throw SessionError("没有显示过消息框");
            if (last->text != line.text)
                throw SessionError("最后的消息是 \"" + last->text + "\"，不是 \"" + line.text + "\"");
            break;
        }
        case Kind::Save: {
            model::Document& doc = needDocument();
            std::filesystem::path target = line.text.empty() ? defaultSavePath : std::filesystem::path(line.text);
            if (target.empty()) target = doc.path();
            if (target.empty()) throw SessionError("'save' 需要文件名：图形还没有文件");
            std::error_code ec;
            if (!protectedPath.empty() && std::filesystem::exists(target, ec) &&
                std::filesystem::equivalent(target, protectedPath, ec))
                throw SessionError("'save' 不能覆盖脚本文件本身：" + target.string());
            if (const auto r = doc.saveAs(target); r.failed()) throw SessionError(r.message());
            break;
        }
        case Kind::ExpectCount: {
            const model::ObjectList& list = needDocument().drawing.objects;
            const int have = v.size() == 2 ? list.countOfKind(static_cast<int>(v[1])) : static_cast<int>(list.size());
            if (have != static_cast<int>(v[0]))
                throw SessionError("图中有 " + std::to_string(have) + " 个这样的对象，不是 " +
                                   std::to_string(static_cast<int>(v[0])) + " 个");
            break;
        }
        case Kind::ExpectDiscarded: {
            const int have = static_cast<int>(needDocument().discardBox.objects.size());
            if (have != static_cast<int>(v[0]))
                throw SessionError("废弃箱中有 " + std::to_string(have) + " 个，不是 " +
                                   std::to_string(static_cast<int>(v[0])) + " 个");
            break;
        }
        case Kind::ExpectSelected: {
            const int have = static_cast<int>(needDocument().selection.size());
            if (have != static_cast<int>(v[0]))
                throw SessionError("选中了 " + std::to_string(have) + " 个对象，不是 " +
                                   std::to_string(static_cast<int>(v[0])) + " 个");
            break;
        }
        case Kind::ExpectStatus:
            if (!controller_ || controller_->statusText() != line.text)
                throw SessionError("状态栏是 \"" + (controller_ ? controller_->statusText() : std::string()) +
                                   "\"，不是 \"" + line.text + "\"");
            break;
        case Kind::ExpectObject: checkObject(line); break;
        case Kind::ExpectModified: {
            const bool modified = needDocument().isModified();
            if (modified != (line.text == "yes"))
                throw SessionError(modified ? "图形已修改" : "图形没有修改");
            break;
        }
        case Kind::Window: activate(static_cast<std::size_t>(line.numbers[0]) - 1); break;
        case Kind::Close: closeActive(); break;
        case Kind::Open: openWindow(line); break;
        case Kind::NewWindow: {
            // The new window starts where the drawing stands: its projection.
            needDocument();
            const view::ViewState from = view_;
            addWindow(doc_);
            view_.X_AxisAngle = from.X_AxisAngle;
            view_.Y_AxisAngle = from.Y_AxisAngle;
            view_.firstPointElevation = from.firstPointElevation;
            break;
        }
    }
}

SessionResult SessionPlayer::run(const ParsedScript& script) {
    SessionResult result = play(script);
    result.message = escapeControls(result.message);
    return result;
}

SessionResult SessionPlayer::play(const ParsedScript& script) {
    using Kind = ScriptLine::Kind;
    if (!script.ok) return {false, script.errorLine, script.error};
    for (const ScriptLine& line : script.lines) {
        try {
            perform(line);
            const bool queued = line.kind == Kind::Answer || line.kind == Kind::Dialog;
            const bool check = line.kind == Kind::ExpectMessage || line.kind == Kind::ExpectCount ||
                               line.kind == Kind::ExpectDiscarded || line.kind == Kind::ExpectSelected ||
                               line.kind == Kind::ExpectStatus || line.kind == Kind::ExpectObject ||
                               line.kind == Kind::ExpectModified;
            if (queued || check) continue;
            if (prompter_.pending()) {
                const int at = prompter_.pendingLine();
                prompter_.clear();
                return {false, at, kAnswerUnused};
            }
            if (forms_.pending()) {
                const int at = forms_.pendingLine();
                forms_.clear();
                return {false, at, kDialogUnused};
            }
            paint();
        } catch (const SessionError& e) {
            prompter_.clear();
            forms_.clear();
            return {false, line.number, e.what()};
        }
    }
    if (prompter_.pending()) return {false, prompter_.pendingLine(), kAnswerUnused};
    if (forms_.pending()) return {false, forms_.pendingLine(), kDialogUnused};
    return {};
}

SessionResult SessionPlayer::run(std::string_view scriptText) { return run(parseSessionScript(scriptText)); }

}  // namespace tubra::edit
