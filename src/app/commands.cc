#include "app/commands.h"

#include "board/settings.h"
#include "pages/admin_pages.h"
#include "pages/article_list.h"
#include "pages/article_page.h"
#include "pages/attachments.h"
#include "pages/board_page.h"
#include "pages/delete_page.h"
#include "pages/feed.h"
#include "pages/personal_settings.h"
#include "pages/post_forms.h"
#include "pages/search.h"
#include "pages/thread_page.h"
#include "pages/title_list.h"

namespace kiroq {

namespace {

const WholeCommand kEarly[] = {
    {Action::kCountedDownload, CountedDownloadPage},  // redirects to the file
    {Action::kStreamedDownload, StreamedDownloadPage},
};

const WholeCommand kWhole[] = {
    {Action::kTitleList, TitleListPage},
    {Action::kThreadIndex, BoardPage},
    {Action::kStorePersonalSettings, StorePersonalSettings},
    {Action::kPersonalSettingsForm, PersonalSettingsForm},
    {Action::kClearPersonalSettings, ClearPersonalSettings},
    {Action::kStoreUpload, StoreUploadPage},
    {Action::kUploadForm, UploadFormPage},
    {Action::kDeletionPage, DeletePage},
    {Action::kAdminMenu, AdminMenuPage},
    {Action::kAdminActions, AdminActionPage},
    {Action::kFeed, FeedPage, &Settings::use_feed},
};

// Any other action code gets the bare page frame.
const FramedCommand kFramed[] = {
    {Action::kNewPostForm, NewPostFormPage, Action::kNewPostForm},
    {Action::kToggleWithCookie, ToggleWithCookiePage, Action::kArticle},  // then shown as an article
    {Action::kToggleWithPassword, ToggleWithPasswordPage, Action::kToggleWithPassword},
    {Action::kReplyForm, ReplyFormPage, Action::kReplyForm},
    {Action::kPostFromList, ArticleListPage, Action::kArticleList},  // the post is stored: back to the list
    {Action::kArticleList, ArticleListPage, Action::kArticleList},
    {Action::kSearch, SearchPage, Action::kSearch},
    {Action::kNewestAfterPost, NewestArticlePage, Action::kNewestAfterPost},
    {Action::kArticle, ArticlePage, Action::kArticle},
    {Action::kArticleAsHiragana, ArticlePage, Action::kArticleAsHiragana},
    {Action::kThread, ThreadPage, Action::kThread},
};

template <typename T, int N>
constexpr int Count(const T (&)[N]) {
  return N;
}

const CommandTable kTable = {kEarly, Count(kEarly), kWhole, Count(kWhole), kFramed, Count(kFramed)};

}  // namespace

const CommandTable& Commands() { return kTable; }

}  // namespace kiroq
