#include "main/commands.h"

#include "main/article_page.h"
#include "present/board_page.h"
#include "present/thread_page.h"
#include "main/delete_toggle.h"
#include "main/post_forms.h"
#include "main/title_list.h"

namespace kiroq {

namespace {

// Actions not built yet answer with the bare page frame.
const WholeCommand kWhole[] = {
    {1, TitleListPage, false},  // title list
    {2, BoardPage, false},  // thread index
    {32, nullptr, false},  // store personal settings
    {30, nullptr, false},  // personal settings form
    {31, nullptr, false},  // delete this board's cookies
    {21, nullptr, true},   // store an attachment
    {20, nullptr, true},   // attachment upload form
    {15, nullptr, false},  // poster's deletion page
    {99, nullptr, false},  // administrator menu
    {98, nullptr, false},  // administrator actions
};

const FramedCommand kFramed[] = {
    {0, NewPostFormPage},  // new-post form
    {8, ToggleWithCookiePage},     // toggle deleted mark with the PWD cookie, then as 3
    {14, ToggleWithPasswordPage},  // toggle deleted mark with DELPASSWORD
    {4, ReplyFormPage},  // reply form
    {11, nullptr},  // article list
    {10, nullptr},  // search
    {9, NewestArticlePage},  // the newest article, after a post
    {3, ArticlePage},  // one article
    {5, ArticlePage},  // one article, romaji shown as hiragana
    {12, ThreadPage},  // one thread
};

const CommandTable kTable = {kWhole, sizeof(kWhole) / sizeof(kWhole[0]), kFramed,
                             sizeof(kFramed) / sizeof(kFramed[0])};

}  // namespace

const CommandTable& Commands() { return kTable; }

}  // namespace kiroq
