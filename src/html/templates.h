// Message templates: a board's own HTML for showing an article (<board>.mes)
// and for the post forms (<board>.post, <board>.repost), with tags such as
// <POSTNAME> standing where the program puts values, fields or menus.
#ifndef KIROQ_HTML_TEMPLATES_H_
#define KIROQ_HTML_TEMPLATES_H_

#include <string>

#include "html/article_block.h"
#include "html/page_context.h"

namespace kiroq {

struct Request;
struct IndexRecord;
class File;

// Renders the template at path for rec (the article concerned; an empty
// record for a new post), line by line, in the context that page.action and
// the file's extension select; page.current() is the article the tags
// number and link. The article's body comes from body (see BodySource),
// read only when the template shows it.
void RenderTemplate(Request& req, const PageContext& page, const std::string& path, const IndexRecord& rec,
                    const BodySource& body = {});

}  // namespace kiroq

#endif  // KIROQ_HTML_TEMPLATES_H_
