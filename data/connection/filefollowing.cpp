#include "data/connection/filefollowing.h"

FileFollowing &FileFollowing::instance()
{
    static FileFollowing following;
    return following;
}
