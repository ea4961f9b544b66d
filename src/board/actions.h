// The action codes: the fourth query word, naming what a request asks for.
// Links are built from these names; a request may carry any code 0..255,
// and codes without a name of their own get the bare page frame.
#ifndef KIROQ_BOARD_ACTIONS_H_
#define KIROQ_BOARD_ACTIONS_H_

namespace kiroq {

enum class Action : int {
  kNewPostForm = 0,
  kTitleList = 1,
  kThreadIndex = 2,
  kArticle = 3,
  kReplyForm = 4,
  kArticleAsHiragana = 5,  // romaji in the body shown as hiragana
  kPostFromList = 6,       // store a post from the article list, then show the list
  kToggleWithCookie = 8,
  kNewestAfterPost = 9,  // store a post (reply or new), then show the newest article
  kSearch = 10,
  kArticleList = 11,
  kThread = 12,
  kToggleWithPassword = 14,
  kDeletionPage = 15,
  kUploadForm = 20,
  kStoreUpload = 21,
  kCountedDownload = 22,
  kStreamedDownload = 23,
  kPersonalSettingsForm = 30,
  kClearPersonalSettings = 31,
  kStorePersonalSettings = 32,
  kFeed = 40,  // the Atom feed of the newest articles (USEFEED; otherwise unnamed)
  kAdminActions = 98,
  kAdminMenu = 99,
};

constexpr int Code(Action action) { return static_cast<int>(action); }

// The two actions that store a new article (the list page's form and the
// posting forms).
constexpr bool IsPostAction(int action) {
  return action == Code(Action::kPostFromList) || action == Code(Action::kNewestAfterPost);
}

// Whether a request changes a board's files or the visitor's cookies: its
// action does (posts, toggles, uploads, personal settings, the administrator's
// actions), or it carries a member login, which the login gate takes with any
// action. Such requests are refused when another site's page sent them. The
// download counter (22) is left out on purpose: a download linked from
// elsewhere still counts.
constexpr bool ChangesState(int action, bool login_posted) {
  switch (static_cast<Action>(action)) {
    case Action::kPostFromList:
    case Action::kToggleWithCookie:
    case Action::kNewestAfterPost:
    case Action::kToggleWithPassword:
    case Action::kStoreUpload:
    case Action::kClearPersonalSettings:
    case Action::kStorePersonalSettings:
    case Action::kAdminActions:
      return true;
    default:
      return login_posted;
  }
}

}  // namespace kiroq

#endif  // KIROQ_BOARD_ACTIONS_H_
