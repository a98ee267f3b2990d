// The OpenGL entry points the engine calls, as one table of function pointers.
//
// Nothing in the engine calls OpenGL by its exported symbol: the window object and the
// renderer call through the current table (GL()), which LoadGLExtensions fills once the
// context is current. The table can be replaced (SetGLFunctions), so a test can install
// a table whose entries count their calls before forwarding them.
//
// Extension entry points are only stored when the context really offers them: a
// non-null pointer from the loader proves nothing (some loaders answer every name), so
// each group is checked against the version and the extension string first. An entry
// the context lacks stays null; the caller decides whether it can live without it.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdint>
#include <string>

// The core entry points of OpenGL 1.1 every context has. X(Name, Type): member Name,
// looked up as "gl" #Name.
#define TV_GL_CORE_FUNCTIONS(X)                                                            \
    X(Enable, decltype(&::glEnable))                                                       \
    X(Disable, decltype(&::glDisable))                                                     \
    X(IsEnabled, decltype(&::glIsEnabled))                                                 \
    X(EnableClientState, decltype(&::glEnableClientState))                                 \
    X(DisableClientState, decltype(&::glDisableClientState))                               \
    X(GenTextures, decltype(&::glGenTextures))                                             \
    X(DeleteTextures, decltype(&::glDeleteTextures))                                       \
    X(BindTexture, decltype(&::glBindTexture))                                             \
    X(TexParameteri, decltype(&::glTexParameteri))                                         \
    X(TexImage2D, decltype(&::glTexImage2D))                                               \
    X(TexSubImage2D, decltype(&::glTexSubImage2D))                                         \
    X(PixelStorei, decltype(&::glPixelStorei))                                             \
    X(BlendFunc, decltype(&::glBlendFunc))                                                 \
    X(DepthMask, decltype(&::glDepthMask))                                                 \
    X(DepthFunc, decltype(&::glDepthFunc))                                                 \
    X(ColorMask, decltype(&::glColorMask))                                                 \
    X(FrontFace, decltype(&::glFrontFace))                                                 \
    X(Fogf, decltype(&::glFogf))                                                           \
    X(Materialfv, decltype(&::glMaterialfv))                                               \
    X(Materialf, decltype(&::glMaterialf))                                                 \
    X(LightModelfv, decltype(&::glLightModelfv))                                           \
    X(Lightfv, decltype(&::glLightfv))                                                     \
    X(MatrixMode, decltype(&::glMatrixMode))                                               \
    X(LoadMatrixf, decltype(&::glLoadMatrixf))                                             \
    X(MultMatrixf, decltype(&::glMultMatrixf))                                             \
    X(LoadIdentity, decltype(&::glLoadIdentity))                                           \
    X(PushMatrix, decltype(&::glPushMatrix))                                               \
    X(PopMatrix, decltype(&::glPopMatrix))                                                 \
    X(Translatef, decltype(&::glTranslatef))                                               \
    X(Scalef, decltype(&::glScalef))                                                       \
    X(Ortho, decltype(&::glOrtho))                                                         \
    X(Viewport, decltype(&::glViewport))                                                   \
    X(Scissor, decltype(&::glScissor))                                                     \
    X(ClearColor, decltype(&::glClearColor))                                               \
    X(Clear, decltype(&::glClear))                                                         \
    X(ReadPixels, decltype(&::glReadPixels))                                               \
    X(GetIntegerv, decltype(&::glGetIntegerv))                                             \
    X(GetFloatv, decltype(&::glGetFloatv))                                                 \
    X(GetString, decltype(&::glGetString))                                               \
    X(GetTexLevelParameteriv, decltype(&::glGetTexLevelParameteriv))                         \
    X(GetTexParameteriv, decltype(&::glGetTexParameteriv))                                 \
    X(GetBooleanv, decltype(&::glGetBooleanv))                                             \
    X(GetError, decltype(&::glGetError))                                                   \
    X(VertexPointer, decltype(&::glVertexPointer))                                         \
    X(NormalPointer, decltype(&::glNormalPointer))                                         \
    X(TexCoordPointer, decltype(&::glTexCoordPointer))                                     \
    X(ColorPointer, decltype(&::glColorPointer))                                           \
    X(Color4ub, decltype(&::glColor4ub))                                                   \
    X(DrawElements, decltype(&::glDrawElements))                                           \
    X(Finish, decltype(&::glFinish))                                                       \
    X(Flush, decltype(&::glFlush))

// Entry points beyond OpenGL 1.1, each stored only when its group (below) is offered.
#define TV_GL_EXTENSION_FUNCTIONS(X)                                                       \
    X(BlendEquation, decltype(&::glBlendEquation))                                               \
    X(GenRenderbuffersEXT, PFNGLGENRENDERBUFFERSEXTPROC)                                   \
    X(BindRenderbufferEXT, PFNGLBINDRENDERBUFFEREXTPROC)                                   \
    X(RenderbufferStorageEXT, PFNGLRENDERBUFFERSTORAGEEXTPROC)                             \
    X(GenFramebuffersEXT, PFNGLGENFRAMEBUFFERSEXTPROC)                                     \
    X(FramebufferRenderbufferEXT, PFNGLFRAMEBUFFERRENDERBUFFEREXTPROC)                     \
    X(FramebufferTexture2DEXT, PFNGLFRAMEBUFFERTEXTURE2DEXTPROC)                           \
    X(CheckFramebufferStatusEXT, PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC)                       \
    X(BindFramebufferEXT, PFNGLBINDFRAMEBUFFEREXTPROC)                                     \
    X(DeleteFramebuffersEXT, PFNGLDELETEFRAMEBUFFERSEXTPROC)                               \
    X(DeleteRenderbuffersEXT, PFNGLDELETERENDERBUFFERSEXTPROC)                             \
    X(ActiveTexture, decltype(&::glActiveTexture))                                               \
    X(ClientActiveTexture, decltype(&::glClientActiveTexture))                                   \
    X(CompressedTexImage2D, decltype(&::glCompressedTexImage2D))                                 \
    X(BindBuffer, PFNGLBINDBUFFERPROC)                                                     \
    X(GenBuffers, PFNGLGENBUFFERSPROC)                                                     \
    X(DeleteBuffers, PFNGLDELETEBUFFERSPROC)                                               \
    X(BufferData, PFNGLBUFFERDATAPROC)                                                     \
    X(BlitFramebufferEXT, PFNGLBLITFRAMEBUFFEREXTPROC)                                     \
    X(ClearTexSubImage, PFNGLCLEARTEXSUBIMAGEPROC)

#define TV_GL_ALL_FUNCTIONS(X) TV_GL_CORE_FUNCTIONS(X) TV_GL_EXTENSION_FUNCTIONS(X)

// One number per entry point, in table order (for counting tables and reports).
enum class eGLFunction : uint32_t
{
#define TV_GL_ENUM_ENTRY(Name, Type) Name,
    TV_GL_ALL_FUNCTIONS(TV_GL_ENUM_ENTRY)
#undef TV_GL_ENUM_ENTRY
        Count
};

// The name of an entry point without its "gl" prefix ("Enable", "BindFramebufferEXT").
const char* GLFunctionName(eGLFunction function);

struct cGLFunctions
{
#define TV_GL_MEMBER(Name, Type) Type Name = nullptr;
    TV_GL_ALL_FUNCTIONS(TV_GL_MEMBER)
#undef TV_GL_MEMBER

    // What the context offers (filled by LoadGLExtensions).
    int versionMajor = 0;
    int versionMinor = 0;
    bool hasFramebufferObject = false; // GL_EXT_framebuffer_object
    bool hasMultitexture = false;      // 1.3 or GL_ARB_multitexture
    bool hasBlendEquation = false;     // 1.4, GL_ARB_imaging or GL_EXT_blend_minmax
    bool hasCompressedTextures = false; // 1.3 or GL_ARB_texture_compression
    bool hasBufferObjects = false;     // 1.5 or GL_ARB_vertex_buffer_object
    bool hasFramebufferBlit = false;   // 3.0 or GL_EXT_framebuffer_blit
    bool hasClearTexture = false;      // 4.4 or GL_ARB_clear_texture

    // The entry point by number, as an untyped pointer (for tables built generically).
    void** Slot(eGLFunction function);
};

// Finds an entry point by its full name ("glEnable"); null when unknown.
using GLProcLookup = void* (*)(const char* name);

// Fills the table from the current context: every core entry point, then each
// extension group that the version or the extension string offers (missing groups stay
// null). False when a core entry point is missing or no context answers GetString.
bool LoadGLExtensions(cGLFunctions& table, GLProcLookup lookup);

// True when the space-separated extension list holds the name as a whole word.
bool HasGLExtension(const char* extensionList, const char* name);

// "4.5 (Compatibility Profile) Mesa ..." -> 4, 5. False when no "N.M" leads the text.
bool ParseGLVersion(const char* version, int& major, int& minor);

// The entry points in force. Before anything is installed this is an empty table
// (every pointer null).
cGLFunctions& GL();
// Installs a table (the caller keeps it alive); null installs the empty table again.
void SetGLFunctions(cGLFunctions* table);
// The table LoadGLExtensions filled last through LoadDefaultGLFunctions.
cGLFunctions& DefaultGLFunctions();
// Loads DefaultGLFunctions() and installs it. Answers as LoadGLExtensions.
bool LoadDefaultGLFunctions(GLProcLookup lookup);
