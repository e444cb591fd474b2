#pragma once

#include "cleanup/Identifiers.h"

#include <QString>

#include <optional>

namespace qel {

// The queries the table removals send to find what they drop, so that each
// text can be read and checked without a database. The drops themselves
// are the catalogue's (CatalogStatements).
namespace RemovalStatements {

// Call-centre database: the surveys and lists the product marks deleted.
QString DeletedSurveys(); // SurveyID, InterviewStorage
QString DeletedLists();   // ListID
// The lists of the surveys, the identifiers written as signed numbers;
// nothing for no survey, since SQL Server refuses "IN ()".
std::optional<QString> ListsOfSurveys(const IdentifierArray& surveyIds);
// Every survey's title and deleted mark.
QString SurveyTitles();   // SurveyID, SurveyTitle, Deleted

// Web production database: the external name of every web survey.
QString WebSurveyNames(); // strExtName

} // namespace RemovalStatements

} // namespace qel
