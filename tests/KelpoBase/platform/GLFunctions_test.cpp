#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "KelpoBase/platform/GLFunctions.h"

TEST(GLFunctions, ExtensionsMatchWholeWordsOnly)
{
    const char* list = "GL_ARB_multitexture GL_EXT_framebuffer_object_extra GL_EXT_blend_minmax";
    EXPECT_TRUE(HasGLExtension(list, "GL_ARB_multitexture"));
    EXPECT_TRUE(HasGLExtension(list, "GL_EXT_blend_minmax"));
    EXPECT_FALSE(HasGLExtension(list, "GL_EXT_framebuffer_object"));
    EXPECT_FALSE(HasGLExtension(list, "GL_ARB_multi"));
    EXPECT_FALSE(HasGLExtension(list, ""));
    EXPECT_FALSE(HasGLExtension(nullptr, "GL_ARB_multitexture"));
    EXPECT_TRUE(HasGLExtension("GL_X GL_EXT_framebuffer_object_extra GL_EXT_framebuffer_object", "GL_EXT_framebuffer_object"));
}

TEST(GLFunctions, VersionParsing)
{
    int major = -1, minor = -1;
    EXPECT_TRUE(ParseGLVersion("4.5 (Compatibility Profile) Mesa 22.3.6", major, minor));
    EXPECT_EQ(major, 4);
    EXPECT_EQ(minor, 5);
    EXPECT_TRUE(ParseGLVersion("1.2.1", major, minor));
    EXPECT_EQ(major, 1);
    EXPECT_EQ(minor, 2);
    EXPECT_TRUE(ParseGLVersion("OpenGL ES 3.2 Mesa", major, minor));
    EXPECT_EQ(major, 3);
    EXPECT_FALSE(ParseGLVersion("garbage", major, minor));
    EXPECT_FALSE(ParseGLVersion("4", major, minor));
    EXPECT_FALSE(ParseGLVersion(nullptr, major, minor));
}

namespace
{
// A driver that answers every name, offers OpenGL 1.1 and only the extensions given.
const char* gFakeExtensions = "";
const GLubyte* FakeGetString(GLenum name)
{
    if (name == GL_VERSION)
        return reinterpret_cast<const GLubyte*>("1.1 Fake");
    if (name == GL_EXTENSIONS)
        return reinterpret_cast<const GLubyte*>(gFakeExtensions);
    return nullptr;
}
void FakeEntry() {}
void* AnswerEverything(const char* name)
{
    if (std::strcmp(name, "glGetString") == 0)
        return reinterpret_cast<void*>(&FakeGetString);
    return reinterpret_cast<void*>(&FakeEntry);
}
void* AnswerNothing(const char*) { return nullptr; }
} // namespace

TEST(GLFunctions, ExtensionEntriesNeedTheExtensionString)
{
    cGLFunctions table;
    gFakeExtensions = "GL_ARB_multitexture";
    ASSERT_TRUE(LoadGLExtensions(table, &AnswerEverything));
    EXPECT_EQ(table.versionMajor, 1);
    EXPECT_EQ(table.versionMinor, 1);
    EXPECT_TRUE(table.hasMultitexture);
    EXPECT_NE(table.ActiveTexture, nullptr);
    // The loader answered these names too, but the context does not offer them.
    EXPECT_FALSE(table.hasFramebufferObject);
    EXPECT_EQ(table.BindFramebufferEXT, nullptr);
    EXPECT_EQ(table.GenFramebuffersEXT, nullptr);
    EXPECT_FALSE(table.hasBlendEquation);
    EXPECT_EQ(table.BlendEquation, nullptr);
    EXPECT_FALSE(table.hasBufferObjects);
    EXPECT_EQ(table.BindBuffer, nullptr);

    gFakeExtensions = "GL_EXT_framebuffer_object GL_EXT_blend_minmax";
    ASSERT_TRUE(LoadGLExtensions(table, &AnswerEverything));
    EXPECT_TRUE(table.hasFramebufferObject);
    EXPECT_NE(table.CheckFramebufferStatusEXT, nullptr);
    EXPECT_TRUE(table.hasBlendEquation);
    EXPECT_FALSE(table.hasMultitexture);
    EXPECT_EQ(table.ClientActiveTexture, nullptr);
}

TEST(GLFunctions, MissingCoreEntryFailsAndTableStaysEmpty)
{
    cGLFunctions table;
    EXPECT_FALSE(LoadGLExtensions(table, &AnswerNothing));
    EXPECT_EQ(table.Enable, nullptr);
    EXPECT_FALSE(LoadGLExtensions(table, nullptr));
}

TEST(GLFunctions, NamesAndSlotsFollowTheTable)
{
    EXPECT_STREQ(GLFunctionName(eGLFunction::Enable), "Enable");
    EXPECT_STREQ(GLFunctionName(eGLFunction::BindFramebufferEXT), "BindFramebufferEXT");
    EXPECT_STREQ(GLFunctionName(eGLFunction::Count), "");
    cGLFunctions table;
    EXPECT_EQ(reinterpret_cast<void*>(table.Slot(eGLFunction::DrawElements)),
              reinterpret_cast<void*>(&table.DrawElements));
    // Nothing installed: the empty table.
    SetGLFunctions(nullptr);
    EXPECT_EQ(GL().Enable, nullptr);
    SetGLFunctions(&table);
    EXPECT_EQ(&GL(), &table);
    SetGLFunctions(nullptr);
}
