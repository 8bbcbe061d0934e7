#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

// Fills each "%s" of Pattern with the next argument, byte for byte; "%%" is a
// percent sign. Unlike printf, the arguments are never read as formats.
std::string Format(std::string_view Pattern, std::initializer_list<std::string_view> Args);
