#include "platform/AppInfo.h"

AppInfoData& App() {
    static AppInfoData info;
    return info;
}
