#include "host/Host.h"

namespace
{
cHost* gHost = nullptr;
}

cHost* GetHost() { return gHost; }
void SetHost(cHost* host) { gHost = host; }

bool cHost::OpenUrl(const std::string& url)
{
    if (mUrlHandler)
        return mUrlHandler(url);
    return OpenUrlWithSystem(url);
}
