# Dropped addresses and their downloads; the download tests run their own
# HTTP server on 127.0.0.1.
velquin_add_test(url_drop_tests CORE
    UrlDropTest.cpp
    DownloadTest.cpp
)
