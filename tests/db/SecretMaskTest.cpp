#include "db/SecretMask.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct SMaskCase {
    const char* connectionString;
    const char* text;
    const char* shown;
};

TEST(SecretMask, HidesEveryCredentialValueAndEverySecretOfTheConnectionString) {
    const char* const pg = "Driver=PostgreSQL ANSI Pwd=S3cret;Server=x";
    const SMaskCase cases[] = {
        {"", "Driver=x;PWD=very-secret", "Driver=x;PWD=***"},
        {"", "DSN=d;uid=u;pwd=p w;Database=db", "DSN=d;uid=u;pwd=***;Database=db"},
        {"", "Password=a=b;x=1;", "Password=***;x=1;"},
        {"", "SSLPassword=s;;passwd=", "SSLPassword=***;;passwd=***"},
        {"", "Driver={a;b};PWD={p;w}}d};UID=u", "Driver={a;b};PWD=***;UID=u"},
        {"", "PWD={unclosed;x", "PWD=***"},
        {"", "-s=select pwd=1;PWD", "-s=select pwd=***;PWD"},
        {"", "Password= {se;c3};UID=u", "Password=***;UID=u"},
        {"", "pqopt={password=pq;secret};Port=1", "pqopt=***;Port=1"},
        {"", "SecretKey=a;AccessToken=b;ClientSecret=c;Token=d",
         "SecretKey=***;AccessToken=***;ClientSecret=***;Token=***"},
        {"", "Auth_AccessToken=e;KeyStoreSecret=f;sslkey=k;U=u",
         "Auth_AccessToken=***;KeyStoreSecret=***;sslkey=***;U=u"},
        {"", "password authentication failed: Password: no, keys=1",
         "password authentication failed: Password: no, keys=1"},
        {pg, "Can't open lib 'PostgreSQL ANSI Pwd=S3cret'", "Can't open lib 'PostgreSQL ANSI Pwd=***'"},
        {pg, "refused S3cret, S3crets, \"S3cret\"", "refused ***, S3crets, \"***\""},
        {"Pwd={it's;}}x}", "PWD=it's;}x and {it's;}}x}", "PWD=*** and ***"},
        {"Database=db Password=S3cret;Uid=u", "to database 'db Password=S3cret'", "to database 'db Password=***'"},
    };
    for (const SMaskCase& c : cases) {
        EXPECT_EQ(std::string(CSecretMask(c.connectionString).Apply(c.text).Text()), c.shown) << c.text;
    }
}

}  // namespace
