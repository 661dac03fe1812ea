#include "platform/Services.h"
#include "platform/shared/Backend.h"

namespace platform {

void SaveSetting(const std::u16string &appName, const std::u16string &section,
                 const std::u16string &key, const std::u16string &setting)
{
    Backend::saveSetting(appName, section, key, setting);
}

std::u16string GetSetting(const std::u16string &appName, const std::u16string &section,
                          const std::u16string &key, const std::u16string &defaultValue)
{
    return Backend::loadSetting(appName, section, key).value_or(defaultValue);
}

} // namespace platform
