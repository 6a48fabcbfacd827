#include "data/filefollowing.h"

FileFollowing &FileFollowing::instance()
{
    static FileFollowing following;
    return following;
}
