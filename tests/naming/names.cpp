// Declarations for the naming rule's test (names_test.py): each line's comment says whether the
// rule in .clang-tidy reports it. Never built.
#include <string>
#include <system_error>

namespace sample {

enum class Fault { None };

std::string wrapParagraph(const std::string& text);         // follows the rule
std::string WrapParagraph(const std::string& text);         // reported
int set_value(int v);                                        // reported
double StepAlong(double from, double length);                // kept: a name of the design
void DrawSymbol(int code);                                   // kept: a name of the design
std::error_code make_error_code(Fault f);                    // kept: std::error_code looks for it
void BM_Load(int state);                                     // kept: a benchmark's name
void OnDrawing();                                            // reported: only OnDraw is kept

struct Report {
    void ImportReportSections();                             // kept: a name of the design
    void ImportSections();                                   // reported
    const char* c_str() const;                               // kept: string-like
    std::string label() const;                               // follows the rule
    std::string Label() const;                               // reported
    static int Count();                                      // reported
};

}  // namespace sample

extern "C" {
void kavelup_create(void);                                   // kept: the library's C interface
void kavelupOther(void);                                     // follows the rule
void other_c_name(void);                                     // reported
}
