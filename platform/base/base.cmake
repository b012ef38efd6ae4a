# Letter case, folding and collation come from ICU.
pkg_check_modules(NUX_ICU REQUIRED IMPORTED_TARGET GLOBAL icu-uc icu-i18n)
target_link_libraries(nuxp_base PRIVATE PkgConfig::NUX_ICU)
target_link_libraries(nuxplatform PRIVATE PkgConfig::NUX_ICU)
