// Prints a fingerprint of everything the drawing program produces from a fixed set of inputs:
// the bytes every sample, generated drawing and recorded session saves, and every drawing call
// (with the canvas state it was made in) of the screen paint, the printed sheet and the printed
// report sets. A change of behaviour anywhere in the model, the painters, the tools or the
// dialogs changes a line here; reshaping the code must leave every line as it was.
//
//   tubra-snapshot                 one line per output: NAME FINGERPRINT
//   tubra-snapshot --dump NAME     the full text behind one fingerprint, for a diff

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/RecordingCanvas.h"
#include "support/GeneratedDrawing.h"
#include "tubra/appcore/Commands.h"
#include "tubra/appcore/Commands.h"
#include "tubra/edit/SessionPlayer.h"
#include "tubra/model/Document.h"
#include "tubra/report/Install.h"
#include "tubra/view/Paint.h"
#include "tubra/view/PrintJob.h"
#include "tubra/view/ReportPages.h"
#include "tubra/view/ViewState.h"

namespace fs = std::filesystem;
using namespace tubra;

namespace {

std::uint64_t fingerprint(std::string_view bytes) {
    std::uint64_t h = 1469598103934665603ull;  // FNV-1a, 64 bits
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

void hex(std::ostream& out, std::string_view bytes) {
    static const char* digits = "0123456789abcdef";
    for (unsigned char c : bytes) out << digits[c >> 4] << digits[c & 15];
}

void writeState(std::ostream& out, const platform::CanvasState& s) {
    out << " pen " << static_cast<int>(s.pen.style) << ',' << s.pen.width << ',' << s.pen.colour
        << " brush " << static_cast<int>(s.brush.style) << ',' << s.brush.colour << " font ";
    hex(out, s.font.face);
    out << ',' << s.font.height << ',' << s.font.width << ',' << s.font.escapement << ','
        << s.font.orientation << ',' << s.font.weight << ',' << s.font.italic << s.font.underline
        << s.font.strikeOut << " rop " << static_cast<int>(s.rasterOp) << " text " << s.textColour
        << " bk " << s.backgroundColour << ',' << static_cast<int>(s.backgroundMode) << " win "
        << s.windowOrigin.x << ',' << s.windowOrigin.y << " vp " << s.viewportOrigin.x << ','
        << s.viewportOrigin.y;
}

void writeCalls(std::ostream& out, const platform::RecordingCanvas& canvas) {
    for (const platform::CanvasCall& c : canvas.calls()) {
        out << static_cast<int>(c.kind);
        for (const platform::Point& p : c.points) out << ' ' << p.x << ',' << p.y;
        out << " rect " << c.rect.left << ',' << c.rect.top << ',' << c.rect.right << ','
            << c.rect.bottom << " text ";
        hex(out, c.text);
        out << " fmt " << c.format << " colour " << c.colour;
        writeState(out, c.state);
        out << '\n';
    }
}

platform::RecordingCanvas::Options printerOptions() {
    platform::RecordingCanvas::Options o;
    o.printer = true;
    o.pixelsPerUnit = 300.0 / 254.0;
    o.deviceSize = {3508, 2480};
    return o;
}

// Pages printed into recording canvases.
struct RecordedPages {
    std::vector<std::unique_ptr<platform::RecordingCanvas>> pages;
    RecordedPages() { pages.push_back(std::make_unique<platform::RecordingCanvas>(printerOptions())); }
    platform::Canvas& canvas() { return *pages.back(); }
    bool newPage() {
        pages.push_back(std::make_unique<platform::RecordingCanvas>(printerOptions()));
        return true;
    }
    int printLeft() const { return 0; }
};

std::string printed(model::Document& doc, std::optional<int> reportPage) {
    view::ViewState view = view::viewForPrinting(doc);
    if (reportPage) view.reportDisplay = {1, *reportPage};
    RecordedPages device;
    const int n = view::printDocument(doc, view, device, view::printPagesOf(doc, view));
    std::ostringstream out;
    out << "pages " << n << '\n';
    for (const auto& page : device.pages) {
        out << "--- page\n";
        writeCalls(out, *page);
    }
    return out.str();
}

std::string screen(model::Document& doc) {
    view::ViewState view;
    view::initialUpdate(view, doc.drawing);
    view::applyOpenedDocument(view, doc);
    platform::RecordingCanvas::Options o;
    o.pixelsPerUnit = 96.0 / 254.0;
    o.deviceSize = {1024, 768};
    platform::RecordingCanvas canvas(o);
    view::OnEraseBkgnd(doc.settings(), canvas);
    view::OnDraw(doc, view, canvas);
    std::ostringstream out;
    writeCalls(out, canvas);
    return out.str();
}

model::AppContext& appContext() {
    static model::AppContext app = [] {
        model::AppContext a;
        report::installInspectionReport(a);
        return a;
    }();
    return app;
}

using Outputs = std::map<std::string, std::function<std::string()>>;

// Every output of one opened file. Each is made from a fresh copy, so one output never sees
// what painting another changed.
void addFile(Outputs& outputs, const std::string& name, const fs::path& path) {
    auto open = [path] {
        auto doc = model::Document::open(appContext(), path);
        if (doc.failed()) throw std::runtime_error(path.string() + ": " + doc.message());
        return std::move(doc.value());
    };
    outputs["save/" + name] = [open] { return open()->serialize(); };
    outputs["screen/" + name] = [open] { return screen(*open()); };
    outputs["sheet/" + name] = [open] { return printed(*open(), std::nullopt); };
    outputs["report-full/" + name] = [open] { return printed(*open(), 22); };
    outputs["report-online/" + name] = [open] { return printed(*open(), 28); };
    outputs["after-paint/" + name] = [open] {
        auto doc = open();
        screen(*doc);
        return doc->serialize();
    };
}

struct Played {
    edit::CommandRegistry registry;
    std::unique_ptr<edit::SessionPlayer> player;
};

std::unique_ptr<Played> play(const fs::path& script, const fs::path& scratch) {
    auto p = std::make_unique<Played>();
    app::installCommands(p->registry);
    std::vector<edit::KeyBinding> keys = app::keyBindings();
    p->player = std::make_unique<edit::SessionPlayer>(appContext(), p->registry, std::move(keys));
    p->player->defaultSavePath = scratch / "out.hcd";
    std::string text;
    if (platform::readWholeFile(script, text).failed()) throw std::runtime_error("cannot read " + script.string());
    // Scripts name their other files (pictures) relative to where they are.
    const fs::path cwd = fs::current_path();
    fs::current_path(script.parent_path());
    const edit::SessionResult result = p->player->run(text);
    fs::current_path(cwd);
    if (!result.ok)
        throw std::runtime_error(script.string() + ":" + std::to_string(result.line) + ": " + result.message);
    return p;
}

void addSession(Outputs& outputs, const std::string& name, const fs::path& script, const fs::path& scratch) {
    outputs["session/" + name] = [=] {
        auto p = play(script, scratch);
        model::Document* doc = p->player->document();
        std::ostringstream out;
        if (!doc) return std::string("no document\n");
        out << doc->serialize() << "\n--- screen\n" << screen(*doc);
        // Files the script saved itself.
        for (const auto& entry : fs::directory_iterator(scratch)) {
            std::string bytes;
            if (platform::readWholeFile(entry.path(), bytes).ok())
                out << "\n--- file " << entry.path().filename().string() << " " << std::hex
                    << fingerprint(bytes) << std::dec;
            fs::remove(entry.path());
        }
        return out.str();
    };
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path source = TUBRA_SOURCE_DIR;
    const fs::path scratch = fs::temp_directory_path() / ("tubra-snapshot-" + std::to_string(::getpid()));
    fs::create_directories(scratch);

    Outputs outputs;
    std::vector<fs::path> samples;
    for (const auto& e : fs::directory_iterator(source / "examples"))
        if (e.path().extension() == ".hcd") samples.push_back(e.path());
    for (const fs::path& p : samples) addFile(outputs, p.filename().string(), p);

    // Generated drawings of several sizes and seeds.
    for (const auto& [objects, seed] : {std::pair{60, 1u}, {400, 2u}, {1500, 3u}}) {
        const std::string name = "generated-" + std::to_string(objects) + "-" + std::to_string(seed) + ".hcd";
        const fs::path path = scratch.parent_path() / (scratch.filename().string() + "-" + name);
        model::Document doc(appContext());
        doc.onNewDocument();
        testing::generateDrawing(doc.drawing, {objects, seed, true});
        if (const auto r = doc.saveAs(path); r.failed()) {
            std::cerr << "tubra-snapshot: " << r.message() << "\n";
            return 1;
        }
        addFile(outputs, name, path);
    }

    std::vector<fs::path> scripts;
    for (const auto& e : fs::directory_iterator(source / "tests" / "sessions"))
        if (e.path().extension() == ".session") scripts.push_back(e.path());
    for (const auto& e : fs::directory_iterator(source / "examples" / "sessions"))
        if (e.path().extension() == ".session") scripts.push_back(e.path());
    for (const fs::path& s : scripts) addSession(outputs, s.filename().string(), s, scratch);

    int status = 0;
    try {
        if (argc == 3 && std::string(argv[1]) == "--dump") {
            const auto it = outputs.find(argv[2]);
            if (it == outputs.end()) {
                std::cerr << "tubra-snapshot: no output " << argv[2] << "\n";
                status = 2;
            } else {
                std::cout << it->second();
            }
        } else if (argc == 1) {
            for (const auto& [name, make] : outputs) {
                char line[32];
                std::snprintf(line, sizeof line, "%016llx",
                              static_cast<unsigned long long>(fingerprint(make())));
                std::cout << name << ' ' << line << '\n';
            }
        } else {
            std::cerr << "usage: tubra-snapshot [--dump NAME]\n";
            status = 2;
        }
    } catch (const std::exception& e) {
        std::cerr << "tubra-snapshot: " << e.what() << "\n";
        status = 1;
    }
    std::error_code ec;
    fs::remove_all(scratch, ec);
    for (const auto& e : fs::directory_iterator(scratch.parent_path(), ec))
        if (e.path().filename().string().starts_with(scratch.filename().string() + "-")) fs::remove(e.path(), ec);
    return status;
}
