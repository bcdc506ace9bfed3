#include "platform/Form.h"

#include <algorithm>

namespace platform {

ActionResult Form::act(std::string_view action, FormContext& context) {
    if (beforeAction) beforeAction(*this, action);
    auto [name, argument] = form::splitAction(action);
    ActionResult result = onAction(name, argument, context);
    if (result.ok()) state_ = result.value();
    return result;
}

bool Form::hasField(std::string_view name) const {
    const auto names = fieldNames();
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::vector<std::pair<std::string, std::string>> Form::snapshot() const {
    std::vector<std::pair<std::string, std::string>> values;
    for (auto& name : fieldNames()) {
        std::string v = field(name);
        values.emplace_back(std::move(name), std::move(v));
    }
    return values;
}

namespace form {

std::pair<std::string_view, std::string_view> splitAction(std::string_view token) {
    const auto eq = token.find('=');
    if (eq == std::string_view::npos) return {token, {}};
    return {token.substr(0, eq), token.substr(eq + 1)};
}

std::string unknownField(std::string_view caption, std::string_view name) {
    return "对话框 \"" + std::string(caption) + "\" 没有字段 '" + std::string(name) + "'";
}

std::string unknownAction(std::string_view caption, std::string_view name) {
    return "对话框 \"" + std::string(caption) + "\" 没有按钮 '" + std::string(name) + "'";
}

std::string notAChoice(std::string_view name, std::string_view value,
                       const std::vector<std::string>& choices) {
    std::string text = "'" + std::string(value) + "' 不是 " + std::string(name) + " 的选项（";
    for (std::size_t i = 0; i < choices.size(); ++i) {
        if (i) text += "、";
        text += choices[i];
    }
    return text + "）";
}

ActionResult okOrCancel(const Form& form, std::string_view name) {
    if (name == "ok") return FormState::Accepted;
    if (name == "cancel") return FormState::Rejected;
    return Error(unknownAction(form.caption(), name));
}

}  // namespace form
}  // namespace platform
