// Files attached to articles: the upload form (action 20), storing an upload
// (21), the counted download that sends the browser to the file (22) and the
// download sent through the program (23).
//
// Article n's files lie in its own folder, bbsdb/<board>/<n>/, and its record
// names the newest one; its download counter is bbsdb/<board>/<board><n>.txt,
// whose first line is the count. All four pages refuse, touching no file,
// when the board does not keep attachments (FILEUPLOAD off).
#ifndef KIROQ_PAGES_ATTACHMENTS_H_
#define KIROQ_PAGES_ATTACHMENTS_H_

#include <string>
#include <string_view>

namespace kiroq {

struct Client;

class Env;
struct Request;

// The page that refuses an attachment action on a board without
// attachments (FILEUPLOAD off).
void NoAttachmentsPage(Request& req);

// Action 20: the form that posts a file and the article's deletion password.
void UploadFormPage(Request& req);

// Action 21: stores the file of the UPLOADFILE part in the folder of article
// number when UPPASSWORD is the article's deletion password (an article
// stored without one accepts no upload), then names it in the record. The
// file is written under a temporary name and renamed, so a failed upload
// never replaces a good file; the record is re-read under the write lock and
// only its attachment name changes.
void StoreUploadPage(Request& req);

// Action 22: counts a download of article number's attachment and answers
// with a redirect to the file, which the web server sends. Runs before the
// board's data files are made sure of, and creates none of them.
void CountedDownloadPage(Request& req);

// Action 23: sends article number's attachment through the program, in
// blocks. Like action 22 it creates no data file.
void StreamedDownloadPage(Request& req);

// Where the web server serves article number's file name:
// ProgramFolderAddress (cgi/client.h) + "bbsdb/<board>/<number>/<name>",
// each path segment percent-encoded where it needs to be.
std::string DownloadAddress(const Client& client, std::string_view board, int number, std::string_view name);

}  // namespace kiroq

#endif  // KIROQ_PAGES_ATTACHMENTS_H_
