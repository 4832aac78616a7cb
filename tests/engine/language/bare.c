/* A loadable library that carries no resource image. */
int kmr_language_fixture_bare = 1;
