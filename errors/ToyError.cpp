#include "errors/ToyError.h"

#include <utility>

CKVErr::CKVErr(std::string text, std::int32_t code) : text(std::move(text)), code(code) {}
