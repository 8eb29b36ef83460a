# Sources of this feature; add files explicitly.
