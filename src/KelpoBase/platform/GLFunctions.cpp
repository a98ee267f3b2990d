#include "KelpoBase/platform/GLFunctions.h"

#include <cstring>

namespace
{
const char* const kNames[] = {
#define TV_GL_NAME_ENTRY(Name, Type) #Name,
    TV_GL_ALL_FUNCTIONS(TV_GL_NAME_ENTRY)
#undef TV_GL_NAME_ENTRY
};
static_assert(sizeof(kNames) / sizeof(kNames[0]) == static_cast<size_t>(eGLFunction::Count));

cGLFunctions gEmptyTable;
cGLFunctions gDefaultTable;
cGLFunctions* gCurrent = &gEmptyTable;

template <class T>
bool Fetch(T& slot, GLProcLookup lookup, const char* name)
{
    slot = reinterpret_cast<T>(lookup(name));
    return slot != nullptr;
}

bool AtLeast(const cGLFunctions& t, int major, int minor)
{
    return t.versionMajor > major || (t.versionMajor == major && t.versionMinor >= minor);
}
} // namespace

const char* GLFunctionName(eGLFunction function)
{
    const auto index = static_cast<uint32_t>(function);
    return index < static_cast<uint32_t>(eGLFunction::Count) ? kNames[index] : "";
}

void** cGLFunctions::Slot(eGLFunction function)
{
    switch (function)
    {
#define TV_GL_SLOT_CASE(Name, Type)                                                        \
    case eGLFunction::Name:                                                                \
        return reinterpret_cast<void**>(&Name);
        TV_GL_ALL_FUNCTIONS(TV_GL_SLOT_CASE)
#undef TV_GL_SLOT_CASE
    case eGLFunction::Count:
        break;
    }
    return nullptr;
}

bool HasGLExtension(const char* extensionList, const char* name)
{
    if (extensionList == nullptr || name == nullptr || *name == '\0')
        return false;
    const size_t length = std::strlen(name);
    const char* at = extensionList;
    while ((at = std::strstr(at, name)) != nullptr)
    {
        const bool startsWord = at == extensionList || at[-1] == ' ';
        const bool endsWord = at[length] == ' ' || at[length] == '\0';
        if (startsWord && endsWord)
            return true;
        at += length;
    }
    return false;
}

bool ParseGLVersion(const char* version, int& major, int& minor)
{
    major = minor = 0;
    if (version == nullptr)
        return false;
    // OpenGL ES contexts prefix the number; skip to the first digit.
    while (*version != '\0' && (*version < '0' || *version > '9'))
        ++version;
    if (*version == '\0')
        return false;
    int a = 0;
    while (*version >= '0' && *version <= '9' && a < 1000)
        a = a * 10 + (*version++ - '0');
    if (*version != '.')
        return false;
    ++version;
    if (*version < '0' || *version > '9')
        return false;
    int b = 0;
    while (*version >= '0' && *version <= '9' && b < 1000)
        b = b * 10 + (*version++ - '0');
    major = a;
    minor = b;
    return true;
}

bool LoadGLExtensions(cGLFunctions& table, GLProcLookup lookup)
{
    table = cGLFunctions();
    if (lookup == nullptr)
        return false;

    bool coreComplete = true;
#define TV_GL_FETCH_CORE(Name, Type) coreComplete = Fetch(table.Name, lookup, "gl" #Name) && coreComplete;
    TV_GL_CORE_FUNCTIONS(TV_GL_FETCH_CORE)
#undef TV_GL_FETCH_CORE
    if (!coreComplete)
        return false;

    const auto* version = reinterpret_cast<const char*>(table.GetString(GL_VERSION));
    const auto* extensions = reinterpret_cast<const char*>(table.GetString(GL_EXTENSIONS));
    if (version == nullptr || !ParseGLVersion(version, table.versionMajor, table.versionMinor))
        return false;
    auto has = [extensions](const char* name) { return HasGLExtension(extensions, name); };

    // Each group is fetched whole or not at all: a half-filled group would pass a
    // null test on one entry and crash on the next.
    auto group = [lookup](bool offered, auto fetchAll, auto clearAll) {
        if (offered && fetchAll(lookup))
            return true;
        clearAll();
        return false;
    };

    table.hasFramebufferObject = group(
        has("GL_EXT_framebuffer_object"),
        [&table](GLProcLookup l) {
            bool ok = Fetch(table.GenRenderbuffersEXT, l, "glGenRenderbuffersEXT");
            ok = Fetch(table.BindRenderbufferEXT, l, "glBindRenderbufferEXT") && ok;
            ok = Fetch(table.RenderbufferStorageEXT, l, "glRenderbufferStorageEXT") && ok;
            ok = Fetch(table.GenFramebuffersEXT, l, "glGenFramebuffersEXT") && ok;
            ok = Fetch(table.FramebufferRenderbufferEXT, l, "glFramebufferRenderbufferEXT") && ok;
            ok = Fetch(table.FramebufferTexture2DEXT, l, "glFramebufferTexture2DEXT") && ok;
            ok = Fetch(table.CheckFramebufferStatusEXT, l, "glCheckFramebufferStatusEXT") && ok;
            ok = Fetch(table.BindFramebufferEXT, l, "glBindFramebufferEXT") && ok;
            ok = Fetch(table.DeleteFramebuffersEXT, l, "glDeleteFramebuffersEXT") && ok;
            ok = Fetch(table.DeleteRenderbuffersEXT, l, "glDeleteRenderbuffersEXT") && ok;
            return ok;
        },
        [&table] {
            table.GenRenderbuffersEXT = nullptr;
            table.BindRenderbufferEXT = nullptr;
            table.RenderbufferStorageEXT = nullptr;
            table.GenFramebuffersEXT = nullptr;
            table.FramebufferRenderbufferEXT = nullptr;
            table.FramebufferTexture2DEXT = nullptr;
            table.CheckFramebufferStatusEXT = nullptr;
            table.BindFramebufferEXT = nullptr;
            table.DeleteFramebuffersEXT = nullptr;
            table.DeleteRenderbuffersEXT = nullptr;
        });

    const bool coreMultitexture = AtLeast(table, 1, 3);
    table.hasMultitexture = group(
        coreMultitexture || has("GL_ARB_multitexture"),
        [&table, coreMultitexture](GLProcLookup l) {
            bool ok = Fetch(table.ActiveTexture, l, coreMultitexture ? "glActiveTexture" : "glActiveTextureARB");
            ok = Fetch(table.ClientActiveTexture, l,
                       coreMultitexture ? "glClientActiveTexture" : "glClientActiveTextureARB") &&
                 ok;
            return ok;
        },
        [&table] {
            table.ActiveTexture = nullptr;
            table.ClientActiveTexture = nullptr;
        });

    const bool coreBlendEquation = AtLeast(table, 1, 4) || has("GL_ARB_imaging");
    table.hasBlendEquation = group(
        coreBlendEquation || has("GL_EXT_blend_minmax"),
        [&table, coreBlendEquation](GLProcLookup l) {
            return Fetch(table.BlendEquation, l, coreBlendEquation ? "glBlendEquation" : "glBlendEquationEXT");
        },
        [&table] { table.BlendEquation = nullptr; });

    const bool coreCompression = AtLeast(table, 1, 3);
    table.hasCompressedTextures = group(
        coreCompression || has("GL_ARB_texture_compression"),
        [&table, coreCompression](GLProcLookup l) {
            return Fetch(table.CompressedTexImage2D, l,
                         coreCompression ? "glCompressedTexImage2D" : "glCompressedTexImage2DARB");
        },
        [&table] { table.CompressedTexImage2D = nullptr; });

    const bool coreBuffers = AtLeast(table, 1, 5);
    table.hasBufferObjects = group(
        coreBuffers || has("GL_ARB_vertex_buffer_object"),
        [&table, coreBuffers](GLProcLookup l) {
            bool ok = Fetch(table.BindBuffer, l, coreBuffers ? "glBindBuffer" : "glBindBufferARB");
            ok = Fetch(table.GenBuffers, l, coreBuffers ? "glGenBuffers" : "glGenBuffersARB") && ok;
            ok = Fetch(table.DeleteBuffers, l, coreBuffers ? "glDeleteBuffers" : "glDeleteBuffersARB") && ok;
            ok = Fetch(table.BufferData, l, coreBuffers ? "glBufferData" : "glBufferDataARB") && ok;
            return ok;
        },
        [&table] {
            table.BindBuffer = nullptr;
            table.GenBuffers = nullptr;
            table.DeleteBuffers = nullptr;
            table.BufferData = nullptr;
        });

    const bool coreBlit = AtLeast(table, 3, 0);
    table.hasFramebufferBlit = group(
        coreBlit || has("GL_EXT_framebuffer_blit"),
        [&table, coreBlit](GLProcLookup l) {
            return Fetch(table.BlitFramebufferEXT, l, coreBlit ? "glBlitFramebuffer" : "glBlitFramebufferEXT");
        },
        [&table] { table.BlitFramebufferEXT = nullptr; });

    table.hasClearTexture = group(
        AtLeast(table, 4, 4) || has("GL_ARB_clear_texture"),
        [&table](GLProcLookup l) { return Fetch(table.ClearTexSubImage, l, "glClearTexSubImage"); },
        [&table] { table.ClearTexSubImage = nullptr; });
    return true;
}

cGLFunctions& GL() { return *gCurrent; }

void SetGLFunctions(cGLFunctions* table) { gCurrent = table != nullptr ? table : &gEmptyTable; }

cGLFunctions& DefaultGLFunctions() { return gDefaultTable; }

bool LoadDefaultGLFunctions(GLProcLookup lookup)
{
    const bool ok = LoadGLExtensions(gDefaultTable, lookup);
    SetGLFunctions(&gDefaultTable);
    return ok;
}
