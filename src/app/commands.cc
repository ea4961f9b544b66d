#include "app/commands.h"

#include "pages/article_page.h"
#include "pages/personal_settings.h"
#include "pages/post_forms.h"
#include "pages/search.h"
#include "pages/title_list.h"
#include "pages/admin_pages.h"
#include "pages/article_list.h"
#include "pages/attachments.h"
#include "pages/delete_page.h"
#include "pages/board_page.h"
#include "pages/thread_page.h"

namespace kiroq {

namespace {

const WholeCommand kEarly[] = {
    {22, CountedDownloadPage},   // count a download, redirect to the file
    {23, StreamedDownloadPage},  // send an attachment through the program
};

const WholeCommand kWhole[] = {
    {1, TitleListPage},           // title list
    {2, BoardPage},               // thread index
    {32, StorePersonalSettings},  // store personal settings
    {30, PersonalSettingsForm},   // personal settings form
    {31, ClearPersonalSettings},  // delete this board's cookies
    {21, StoreUploadPage},        // store an attachment
    {20, UploadFormPage},         // attachment upload form
    {15, DeletePage},             // poster's deletion page
    {99, AdminMenuPage},          // administrator menu
    {98, AdminActionPage},        // administrator actions
};

// Any other action code gets the bare page frame.
const FramedCommand kFramed[] = {
    {0, NewPostFormPage},          // new-post form
    {8, ToggleWithCookiePage},     // toggle deleted mark with the PWD cookie, then as 3
    {14, ToggleWithPasswordPage},  // toggle deleted mark with DELPASSWORD
    {4, ReplyFormPage},            // reply form
    {11, ArticleListPage},         // article list
    {10, SearchPage},              // search
    {9, NewestArticlePage},        // the newest article, after a post
    {3, ArticlePage},              // one article
    {5, ArticlePage},              // one article, romaji shown as hiragana
    {12, ThreadPage},              // one thread
};

template <typename T, int N>
constexpr int Count(const T (&)[N]) {
  return N;
}

const CommandTable kTable = {kEarly, Count(kEarly), kWhole, Count(kWhole), kFramed, Count(kFramed)};

}  // namespace

const CommandTable& Commands() { return kTable; }

}  // namespace kiroq
