#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "core/items.h"
#include "core/lists.h"
#include "core_fixtures.h"
#include "util/textcopy.h"

namespace {

using Strings = std::vector<std::string>;

TDynamicStringListObject* Fill(TDynamicStringListObject* list, const Strings& texts) {
    uint32_t value = 0;
    for (const auto& t : texts) list->AddString(t.c_str(), 0, value++);
    return list;
}

TEST(RecordList, AddAppendsCopiesInOrder) {
    TDynamicStringListObject list;
    char text[] = "alpha";
    StringItem record{text, 7};
    ListNode* node = list.Add(&record, 0);
    ASSERT_NE(node, nullptr);
    text[0] = 'X';  // the list keeps its own copy
    EXPECT_STREQ(TDynamicStringListObject::Item(node)->text, "alpha");
    EXPECT_NE(TDynamicStringListObject::Item(node)->text, text);
    EXPECT_EQ(TDynamicStringListObject::Item(node)->value, 7u);
    Fill(&list, {"b", "c"});
    EXPECT_EQ(Texts(list), (Strings{"alpha", "b", "c"}));
    EXPECT_EQ(list.Add(nullptr, 0), nullptr);
    EXPECT_EQ(list.Count(0), 3u);
}

TEST(RecordList, DuplicateCheckIgnoresLetterCase) {
    struct Case {
        const char* added;
        int check;
        bool expectExisting;
        uint32_t countAfter;
    } cases[] = {
        {"Hello", 1, true, 2},  {"HELLO", 1, true, 2}, {"hello ", 1, false, 3},
        {"hello", 0, false, 3}, {"world", 1, false, 2},
    };
    for (const auto& c : cases) {
        TDynamicStringListObject list;
        ListNode* first = list.AddString("hello", 0, 1);
        list.AddString("world", 0, 2);
        ListNode* got = list.AddString(c.added, c.check, 9);
        SCOPED_TRACE(c.added);
        if (c.expectExisting)
            EXPECT_EQ(got, first);
        else
            EXPECT_NE(got, first);
        EXPECT_EQ(list.Count(1), c.countAfter);
    }
}

TEST(RecordList, AddStringAndFindStringRefuseEmptyTexts) {
    TDynamicStringListObject list;
    EXPECT_EQ(list.AddString(nullptr, 0, 0), nullptr);
    EXPECT_EQ(list.AddString("", 0, 0), nullptr);
    EXPECT_EQ(list.Count(0), 0u);
    list.AddString("Abc", 0, 0);
    EXPECT_EQ(list.FindString(""), nullptr);
    EXPECT_EQ(list.FindString(nullptr), nullptr);
    EXPECT_EQ(list.FindString("aBC"), list.First());
    EXPECT_EQ(list.FindString("ab"), nullptr);
}

TEST(RecordList, TrimToCountKeepsTheNewestInOrder) {
    struct Case {
        Strings texts;
        uint32_t n;
        Strings left;
    } cases[] = {
        {{"1", "2", "3", "4", "5"}, 2, {"4", "5"}},
        {{"1", "2", "3"}, 5, {"1", "2", "3"}},
        {{"1", "2", "3"}, 0, {}},
        {{}, 1, {}},
    };
    for (const auto& c : cases) {
        TDynamicStringListObject list;
        Fill(&list, c.texts);
        list.TrimToCount(c.n);
        EXPECT_EQ(Texts(list), c.left);
        // The chain stays usable at its end after trimming.
        list.AddString("z", 0, 0);
        EXPECT_EQ(Texts(list).back(), "z");
    }
}

TEST(RecordList, DeleteNodeAtEveryPositionKeepsTheChainAndItsEnd) {
    for (int position = 0; position < 4; ++position) {
        TDynamicStringListObject list;
        Fill(&list, {"a", "b", "c", "d"});
        ListNode* node = list.First();
        for (int i = 0; i < position; ++i) node = node->next;
        list.DeleteNode(node);
        Strings expected = {"a", "b", "c", "d"};
        expected.erase(expected.begin() + position);
        EXPECT_EQ(list.ContainsNode(node), 0);
        list.AddString("e", 0, 0);  // appends behind the (possibly new) last node
        expected.push_back("e");
        EXPECT_EQ(Texts(list), expected) << "position " << position;
        EXPECT_EQ(list.Count(0), 4u);
    }
}

TEST(RecordList, DeletingInAnyOrderMatchesAPlainSequence) {
    // Nodes deleted in a scattered order, with appends in between, against a plain vector model.
    TDynamicStringListObject list;
    Strings model;
    std::vector<ListNode*> nodes;
    for (int i = 0; i < 40; ++i) {
        nodes.push_back(list.AddString(std::to_string(i).c_str(), 0, 0));
        model.push_back(std::to_string(i));
    }
    for (int step = 0; step < 40; ++step) {
        const int victim = (step * 17 + 5) % 40;
        if (!nodes[victim]) continue;
        const std::string text = TDynamicStringListObject::Item(nodes[victim])->text;
        list.DeleteNode(nodes[victim]);
        list.DeleteNode(nodes[victim]);  // a second time: no longer a member, nothing happens
        nodes[victim] = nullptr;
        model.erase(std::find(model.begin(), model.end(), text));
        if (step % 5 == 0) {
            const std::string added = "n" + std::to_string(step);
            list.AddString(added.c_str(), 0, 0);
            model.push_back(added);
        }
        ASSERT_EQ(Texts(list), model) << "step " << step;
        ASSERT_EQ(list.Count(0), model.size());
    }
}

TEST(RecordList, ForeignAndNullNodesChangeNothing) {
    TDynamicStringListObject list, other;
    Fill(&list, {"a", "b"});
    Fill(&other, {"x"});
    list.DeleteNode(other.First());
    list.DeleteNode(nullptr);
    EXPECT_EQ(list.Removals(), 0u);
    EXPECT_EQ(Texts(list), (Strings{"a", "b"}));
    EXPECT_EQ(Texts(other), (Strings{"x"}));
    EXPECT_EQ(list.ContainsNode(other.First()), 0);
    EXPECT_EQ(list.IsNodeValid(other.First(), 1), 0);
    EXPECT_EQ(list.IsNodeValid(other.First(), 0), 1);
    EXPECT_EQ(list.ContainsItem(other.First()->item), 0);
    EXPECT_EQ(list.ContainsItem(list.First()->next->item), 1);
    EXPECT_EQ(list.FindNode(list.First()->next->item), list.First()->next);
    EXPECT_EQ(list.ContainsItem(nullptr), 0);
}

TEST(RecordList, CountOnlyValidSkipsRecordsWithoutTheirMandatoryText) {
    TDynamicStringListObject list;
    Fill(&list, {"a", "b", "c"});
    StringItem* middle = TDynamicStringListObject::Item(list.First()->next);
    TextRelease(&middle->text);
    EXPECT_EQ(list.Count(0), 3u);
    EXPECT_EQ(list.Count(1), 2u);
    EXPECT_EQ(list.Count(5), 3u);
    EXPECT_EQ(list.IsNodeValid(list.First()->next, 1), 0);
    // Trimming counts only valid entries but removes from the front.
    list.TrimToCount(1);
    EXPECT_EQ(list.Count(0), 2u);
    EXPECT_EQ(list.Count(1), 1u);
    EXPECT_STREQ(TDynamicStringListObject::Item(list.First()->next)->text, "c");
}

TEST(RecordList, CopyToReplacesOrAppends) {
    struct Case {
        int append;
        Strings expected;
    } cases[] = {{0, {"s1", "s2"}}, {1, {"d1", "s1", "s2"}}, {7, {"d1", "s1", "s2"}}};
    for (const auto& c : cases) {
        TDynamicStringListObject source, dest;
        Fill(&source, {"s1", "s2"});
        Fill(&dest, {"d1"});
        source.CopyTo(&dest, c.append);
        EXPECT_EQ(Texts(dest), c.expected);
        EXPECT_NE(TDynamicStringListObject::Item(dest.First())->text, TDynamicStringListObject::Item(source.First())->text);
    }
    TDynamicStringListObject source;
    Fill(&source, {"a", "b"});
    source.CopyTo(nullptr, 0);
    source.CopyTo(&source, 1);  // into itself: one copy of each, no endless growth
    EXPECT_EQ(Texts(source), (Strings{"a", "b", "a", "b"}));
    source.CopyTo(&source, 0);
    EXPECT_EQ(Texts(source), (Strings{"a", "b", "a", "b"}));
}

TEST(RecordList, AddTakenKeepsTheRecordsOwnTexts) {
    TFileListObject files;
    files.ReserveNodes(4);
    FileItem first = Download("a.zip", 1);
    files.Add(&first, 0);
    FileItem scratch;
    files.InitItem(&scratch);
    TextAssign(&scratch.fileName, "taken.zip");
    TextAssign(&scratch.description, "words");
    scratch.sizeLow = 77;
    const char* name = scratch.fileName;
    ListNode* node = files.AddTaken(&scratch, sizeof scratch);
    ASSERT_NE(node, nullptr);
    // The list holds the very texts; the scratch record holds nothing any more.
    EXPECT_EQ(TFileListObject::Item(node)->fileName, name);
    EXPECT_STREQ(TFileListObject::Item(node)->description, "words");
    EXPECT_EQ(TFileListObject::Item(node)->sizeLow, 77u);
    EXPECT_EQ(scratch.fileName, nullptr);
    EXPECT_EQ(scratch.description, nullptr);
    files.FreeItemData(&scratch);
    EXPECT_EQ(files.First()->next, node);
    EXPECT_EQ(files.Count(0), 2u);
    EXPECT_EQ(files.ContainsNode(node), 1);
    EXPECT_EQ(files.AddTaken(nullptr, sizeof scratch), nullptr);
    // A later record goes behind it.
    FileItem last = Download("z.zip", 1);
    EXPECT_EQ(files.Add(&last, 0), node->next);
}

TEST(RecordList, ClearEmptiesAndTheListIsReusable) {
    TDynamicStringListObject list;
    Fill(&list, {"a", "b"});
    list.Clear();
    EXPECT_EQ(list.First(), nullptr);
    EXPECT_EQ(list.Count(0), 0u);
    // Whoever keeps node pointers learns that nodes went.
    const uint32_t afterClear = list.Removals();
    EXPECT_GT(afterClear, 0u);
    list.AddString("c", 0, 0);
    EXPECT_EQ(Texts(list), (Strings{"c"}));
    list.DeleteNode(list.First());
    EXPECT_EQ(list.Removals(), afterClear + 1);
}

TEST(RecordList, DuplicateRulesOfTheOtherLists) {
    TTempFileListObject temp;
    char p1[] = "C:\\Temp\\A.zip", p2[] = "c:\\temp\\a.ZIP", p3[] = "C:\\Temp\\B.zip";
    TempFileEntry e1{p1, 0}, e2{p2, 1}, e3{p3, 0};
    ListNode* n1 = temp.Add(&e1, 1);
    EXPECT_EQ(temp.Add(&e2, 1), n1);
    EXPECT_NE(temp.Add(&e3, 1), n1);
    EXPECT_EQ(temp.Count(1), 2u);

    TFileIconListObject icons;
    FileIconItem icon{};
    icons.InitItem(&icon);
    EXPECT_EQ(icon.imageIndex, -1);
    icons.FreeItemData(&icon);
    char zip[] = ".zip", zipUpper[] = ".ZIP";
    FileIconItem i1{zip, -1}, i2{zipUpper, 3};
    ListNode* iconNode = icons.Add(&i1, 1);
    EXPECT_EQ(icons.Add(&i2, 1), iconNode);

    TExtProcListObject procs;
    char cmd[] = "scan.exe %s";
    ExtProcItem p{cmd};
    ListNode* a = procs.Add(&p, 1);
    EXPECT_NE(procs.Add(&p, 1), a);  // no duplicate rule: both stay
    EXPECT_EQ(procs.Count(1), 2u);

    TMirrorListListObject mirrors;
    MirrorItem m1{5, 0}, m2{0, 1};
    mirrors.Add(&m1, 1);
    mirrors.Add(&m2, 1);
    EXPECT_EQ(mirrors.Count(0), 2u);
    EXPECT_EQ(mirrors.Count(1), 1u);  // valid only with a non-zero second value
}

TEST(RecordList, ArchiveMembersAndSearchHits) {
    TArchiveFileListObject members;
    ArchiveMember member;
    InitArchiveMember(&member);
    TextAssign(&member.name, "setup.exe");
    TextAssign(&member.folder, "bin\\");
    member.size = 10;
    member.time.Set(0x0123456789ull);
    ListNode* node = members.Add(&member, 0);
    ASSERT_NE(node, nullptr);
    EXPECT_STREQ(TArchiveFileListObject::Item(node)->folder, "bin\\");
    EXPECT_EQ(TArchiveFileListObject::Item(node)->time.Value(), 0x0123456789ull);
    EXPECT_EQ(members.Count(1), 1u);

    // A hit is valid only while its download is in the download list and shown (linked to a
    // named category); once the download is deleted the hit is invalid without its node being read.
    TCategoryListObject categories;
    CategoryItem cat = Category(1, 0, 0, "Downloads");
    ListNode* root = categories.Add(&cat, 0);
    TFileListObject files;
    FileItem dl = Download("a.zip", 0);
    ListNode* download = files.Add(&dl, 0);
    TZipSearchFileListObject hits;
    ArchiveSearchHit hit{};
    hits.InitItem(&hit);
    TZipSearchFileListObject::LinkDownload(&hit, download);
    CopyArchiveMember(&hit.member, &member, 1);
    ListNode* hitNode = hits.Add(&hit, 0);
    EXPECT_EQ(hits.IsNodeValid(hitNode, 1), 0);  // no download list yet
    hits.SetDownloadList(&files);
    EXPECT_EQ(hits.IsNodeValid(hitNode, 1), 0);  // not shown
    TFileListObject::Item(download)->category = root;
    EXPECT_EQ(hits.IsNodeValid(hitNode, 1), 1);
    EXPECT_STREQ(TZipSearchFileListObject::Item(hitNode)->member.name, "setup.exe");
    files.DeleteNode(download);
    EXPECT_EQ(hits.IsNodeValid(hitNode, 1), 0);
    hits.FreeItemData(&hit);
    FreeArchiveMember(&member);
}

// A download list whose record copy runs out of memory after some of its texts, as a text copy
// does when the allocation fails.
class ListThatRunsOutOfMemory : public TFileListObject {
public:
    int textsBeforeFailure = -1;  // -1: copies normally
    void CopyItem(void* dest, const void* src, int freeOld) override {
        if (textsBeforeFailure < 0) return TFileListObject::CopyItem(dest, src, freeOld);
        auto* d = static_cast<FileItem*>(dest);
        auto* s = static_cast<const FileItem*>(src);
        char** to[] = {&d->fileName, &d->storedName, &d->description, &d->extractedTo, &d->website};
        const char* from[] = {s->fileName, s->storedName, s->description, s->extractedTo, s->website};
        for (int i = 0; i < textsBeforeFailure; ++i) TextAssign(to[i], from[i], freeOld == 1);
        throw std::bad_alloc();
    }
};

TEST(RecordList, RunningOutOfMemoryWhileAddingLeavesTheListAsItWas) {
    // The sanitizers see a half-copied record that joined the list (its other texts are whatever
    // the allocation held) when the list is walked or released, and a text copy that is never
    // released as a leak.
    for (int texts = 0; texts <= 4; ++texts) {
        SCOPED_TRACE(texts);
        ListThatRunsOutOfMemory list;
        const FileItem a = Download("a.zip", 1), b = Download("b.zip", 1), c = Download("c.zip", 2);
        ListNode* first = list.Add(&a, 0);
        ListNode* second = list.Add(&b, 0);
        list.textsBeforeFailure = texts;
        EXPECT_THROW(list.Add(&c, 0), std::bad_alloc);
        EXPECT_EQ(list.Count(0), 2u);
        EXPECT_EQ(list.Count(1), 2u);
        EXPECT_EQ(list.First(), first);
        EXPECT_EQ(first->next, second);
        EXPECT_EQ(second->next, nullptr);

        // The list goes on: the next record comes after the last whole one and can be deleted.
        list.textsBeforeFailure = -1;
        ListNode* third = list.Add(&c, 0);
        ASSERT_NE(third, nullptr);
        EXPECT_EQ(second->next, third);
        EXPECT_STREQ(TFileListObject::Item(third)->fileName, "c.zip");
        list.DeleteNode(third);
        EXPECT_EQ(list.Count(1), 2u);
        EXPECT_EQ(second->next, nullptr);
        EXPECT_NE(list.Add(&c, 0), nullptr);
        EXPECT_EQ(list.Count(1), 3u);
    }
}

}  // namespace
