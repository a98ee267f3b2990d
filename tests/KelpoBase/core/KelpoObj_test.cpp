#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "KelpoBase/core/Array.h"
#include "KelpoBase/core/Debug.h"
#include "KelpoBase/core/KelpoObj.h"

namespace
{
class cRect : public cKelpoObj
{
    KELPO_DECLARE_CLASS(cRect, cKelpoObj)
};
class cTextBox : public cRect
{
    KELPO_DECLARE_CLASS(cTextBox, cRect)
};
class cOther : public cKelpoObj
{
    KELPO_DECLARE_CLASS(cOther, cKelpoObj)
};
} // namespace

TEST(ClassRecords, CastsFollowTheParentChain)
{
    cRect rect;
    cTextBox box;
    cOther other;
    cKelpoObj* none = nullptr;

    EXPECT_EQ(ClassCast<cRect>(none), nullptr);
    EXPECT_EQ(ClassCast<cRect>(static_cast<cKelpoObj*>(&rect)), &rect);       // itself
    EXPECT_EQ(ClassCast<cRect>(static_cast<cKelpoObj*>(&box)), &box);         // derived to base
    EXPECT_EQ(ClassCast<cTextBox>(static_cast<cKelpoObj*>(&rect)), nullptr);  // base to derived
    EXPECT_EQ(ClassCast<cRect>(static_cast<cKelpoObj*>(&other)), nullptr);    // unrelated
    EXPECT_EQ(ClassCast<cKelpoObj>(static_cast<cKelpoObj*>(&other)), &other); // root

    const cClassInfo* info = box.GetClassInfo();
    EXPECT_EQ(info->name, "cTextBox");
    EXPECT_EQ(info->parent->name, "cRect");
    EXPECT_EQ(info->parent->parent, cKelpoObj::StaticClassInfo());
    EXPECT_EQ(cKelpoObj::StaticClassInfo()->name, "cKelpoObj");
    EXPECT_EQ(cKelpoObj::StaticClassInfo()->parent, nullptr);
}

TEST(WeakRefs, ClearedWhenTheTargetDies)
{
    auto a = std::make_unique<cRect>();
    auto b = std::make_unique<cRect>();
    cWeakRef first(a.get()), second(a.get()), third(b.get());

    first.Assign(a.get()); // same target again: still one registration
    EXPECT_EQ(WeakRefCount(a.get()), 2u);

    cWeakRef moved(a.get());
    moved.Assign(b.get()); // moved from A to B
    a.reset();
    EXPECT_EQ(first.Get(), nullptr);
    EXPECT_EQ(second.Get(), nullptr);
    EXPECT_EQ(third.Get(), b.get());
    EXPECT_EQ(moved.Get(), b.get());
}

TEST(WeakRefs, SlotDestroyedBeforeItsTarget)
{
    auto target = std::make_unique<cRect>();
    {
        auto slot = std::make_unique<cWeakRef>(target.get());
        cWeakRef copy(*slot);
        EXPECT_EQ(copy.Get(), target.get());
    }
    EXPECT_TRUE(WeakRefHasEntry(target.get()));
    EXPECT_EQ(WeakRefCount(target.get()), 0u);
    target.reset(); // writes into no freed slot (AddressSanitizer would see it)

    cRect never;
    EXPECT_FALSE(WeakRefHasEntry(&never));
}

TEST(StringHandles, SharedEmptyAndOwnedText)
{
    cRect obj;
    EXPECT_EQ(obj.GetName(), "");
    EXPECT_EQ(&obj.GetName(), &SharedEmptyString());

    obj.SetName("a");
    const std::string* first = &obj.GetName();
    obj.SetName("a");
    EXPECT_EQ(&obj.GetName(), first); // same text: same heap string

    StringHandle named;
    named.Assign("x");
    StringHandle copy(named);
    copy.Assign("y");
    EXPECT_EQ(named.Get(), "x");
    StringHandle emptyCopy(StringHandle{});
    EXPECT_TRUE(emptyCopy.IsShared());

    obj.SetName("");
    EXPECT_EQ(&obj.GetName(), &SharedEmptyString());
    EXPECT_EQ(TextOrEllipsis(""), "...");
    EXPECT_EQ(TextOrEllipsis("x"), "x");
}

TEST(Arrays, LastIndexAcceptedPastTheEndStops)
{
    cArray<uint8_t, 88> keys{};
    keys[87] = 1;
    EXPECT_EQ(keys[87], 1);
    EXPECT_EQ(keys.Size(), 88u);
    EXPECT_DEATH(keys[88] = 1, "i<asize");
    EXPECT_DEATH(keys[static_cast<uint32_t>(-1)] = 1, "i<asize");
}

TEST(Debug, PrintIndentAndAssertionReport)
{
    std::vector<std::string> lines;
    SetDebugSink([&](const std::string& t) { lines.push_back(t); });
    std::string longText(5000, 'x');
    DebugPrint("%s", longText.c_str());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], longText);

    PopDebugIndent();
    EXPECT_EQ(DebugIndent(), "");
    PushDebugIndent();
    DebugPrint("a");
    EXPECT_EQ(lines.back(), "\ta");
    PopDebugIndent();

    // A note reaches a listening sink; with none it is dropped, not printed.
    DebugNote("Steam persona: %s\n", "Player");
    EXPECT_EQ(lines.back(), "Steam persona: Player\n");
    SetDebugSink({});
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    DebugNote("nobody listens\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    EXPECT_EXIT(ReportRuntimeAssertion("x > 0", "src\\a", 7), testing::ExitedWithCode(1),
                "={62}\nERROR: KELPO RUNTIME ASSERTION:\n\nsrc\\\\a \\(7\\): x > 0\n\n={62}");
}
