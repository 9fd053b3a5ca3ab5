#include "Exception.h"

#include <typeinfo>

namespace {
std::string BaseName(const char* path) {
    std::string p = path ? path : "";
    auto slash = p.find_last_of("/\\");
    return slash == std::string::npos ? p : p.substr(slash + 1);
}
} // namespace

Exception::Exception(std::string message, std::source_location where)
    : message_(std::move(message)), type_("Exception"), line_(static_cast<int>(where.line())),
      file_(BaseName(where.file_name())) {}

Exception::Exception(std::string message, std::string type, int line, std::string file)
    : message_(std::move(message)), type_(std::move(type)), line_(line), file_(std::move(file)) {}

Exception Exception::Prefixed(const std::string& prefix, const std::exception& inner) {
    if (auto* own = dynamic_cast<const Exception*>(&inner))
        return Exception(prefix + own->message_, own->type_, own->line_, own->file_);
    return Exception(prefix + inner.what(), typeid(inner).name(), 0, "");
}

std::string Exception::Where() const {
    return type_ + " at line " + std::to_string(line_) + " of " + file_;
}

std::string ExceptionMessage(const std::exception& e) {
    if (auto* own = dynamic_cast<const Exception*>(&e)) return own->Message();
    return e.what();
}
