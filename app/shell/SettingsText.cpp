#include "app/shell/SettingsText.h"

#include "foundation/math/NumberClamp.h"

#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdlib>

namespace shell {

int TextToInt(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    double value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        if (value < 1e12)  // far beyond the int range; stop growing
            value = value * 10 + (text[i] - '0');
    return ClampToInt(negative ? -value : value);
}

double TextToDouble(const std::string& text)
{
    const double value = std::strtod(text.c_str(), nullptr);
    if (std::isnan(value))
        return 0.0;
    if (value > FLT_MAX)
        return FLT_MAX;
    if (value < -FLT_MAX)
        return -FLT_MAX;
    return value;
}

} // namespace shell
